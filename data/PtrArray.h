// Growable arrays of pointers: CQPtrArray leaves its elements alone, CQPtrAutoArray owns and deletes them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

template <class T> class CQPtrArray
{
public:
    CQPtrArray() = default;
    virtual ~CQPtrArray() { ::operator delete(m_pData); }

    CQPtrArray(const CQPtrArray&) = delete;
    CQPtrArray& operator=(const CQPtrArray&) = delete;

    int GetSize() const { return m_intSize; }
    int GetCapacity() const { return m_intMaxSize; }

    // New count. Growing adds empty slots; shrinking keeps the storage, only 0 frees it.
    void SetSize(int newSize)
    {
        if (newSize <= 0)
        {
            ::operator delete(m_pData);
            m_pData = nullptr;
            m_intSize = m_intMaxSize = 0;
            return;
        }
        if (m_pData == nullptr)
        {
            m_pData = Allocate(newSize);
            std::memset(m_pData, 0, sizeof(T*) * static_cast<size_t>(newSize));
            m_intSize = m_intMaxSize = newSize;
            return;
        }
        if (newSize > m_intMaxSize)
        {
            int step = m_intGrowBy;
            if (step == 0)
            {
                // Automatic step: an eighth of the count, at least 4 and at most 1024 slots.
                step = m_intSize / 8;
                if (step < 4)
                    step = 4;
                else if (step > 1024)
                    step = 1024;
            }
            int64_t wanted = static_cast<int64_t>(m_intMaxSize) + step;
            if (wanted > INT32_MAX)
                wanted = INT32_MAX;
            const int newMax = newSize > wanted ? newSize : static_cast<int>(wanted);
            T** data = Allocate(newMax);
            std::memcpy(data, m_pData, sizeof(T*) * static_cast<size_t>(m_intSize));
            std::memset(data + m_intSize, 0, sizeof(T*) * static_cast<size_t>(newMax - m_intSize));
            ::operator delete(m_pData);
            m_pData = data;
            m_intMaxSize = newMax;
            m_intSize = newSize;
            return;
        }
        if (newSize > m_intSize)
            std::memset(m_pData + m_intSize, 0, sizeof(T*) * static_cast<size_t>(newSize - m_intSize));
        m_intSize = newSize;
    }

    // Appends p and returns its index.
    int Add(T* p)
    {
        const int index = m_intSize;
        SetSize(index + 1);
        m_pData[index] = p;
        return index;
    }

    // Index 0 to GetSize() - 1; anything else is the caller's error.
    T* GetAt(int index) const { return m_pData[index]; }
    void SetAt(int index, T* p) { m_pData[index] = p; }
    T*& operator[](int index) { return m_pData[index]; }
    T* operator[](int index) const { return m_pData[index]; }
    T** GetData() { return m_pData; }
    T* const* GetData() const { return m_pData; }

    // Takes count elements out from index on and closes the gap; the elements are not deleted.
    void RemoveAt(int index, int count = 1)
    {
        const int tail = m_intSize - index - count;
        if (tail > 0)
            std::memmove(m_pData + index, m_pData + index + count, sizeof(T*) * static_cast<size_t>(tail));
        m_intSize -= count;
    }

protected:
    static T** Allocate(int slots)
    {
        return static_cast<T**>(::operator new(sizeof(T*) * static_cast<size_t>(slots)));
    }

    T** m_pData = nullptr; // none while the capacity is 0
    int32_t m_intSize = 0;
    int32_t m_intMaxSize = 0;
    int32_t m_intGrowBy = 0; // 0: automatic
};

template <class T> class CQPtrAutoArray : public CQPtrArray<T>
{
public:
    CQPtrAutoArray() = default;
    ~CQPtrAutoArray() override { RemoveAll(); }

    // Deletes every element, first to last; the storage stays until the destructor.
    void RemoveAll()
    {
        // Each slot is emptied before its element is deleted, so the array never shows a freed pointer.
        const int count = this->m_intSize;
        for (int i = 0; i < count; ++i)
        {
            T* p = this->m_pData[i];
            this->m_pData[i] = nullptr;
            delete p;
        }
        this->m_intSize = 0;
    }

    // Deletes the element at index and closes the gap, keeping the order of the others.
    void DeleteAt(int index)
    {
        T* p = this->m_pData[index];
        this->RemoveAt(index);
        delete p;
    }
};
