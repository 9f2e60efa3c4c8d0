// The rows of the collected tree as CSV text, written a slice at a time. Each slice runs under the data
// lock, and the walk keeps only item pointers and child positions between slices: items are deleted only
// by clearing the data, which must not happen while a walk is under way, and children are only ever
// appended, so the positions stay right while the tree grows. Children added after the walk has passed
// their folder are not exported.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "data/Process.h"
#include "data/PtrArray.h"

class CQTreeItem;

class CQTreeCsvWalk
{
public:
    // The header row, with its line end.
    static const wchar_t kHeader[];
    // Name of a writer whose process index has no record (only a damaged data file gives one).
    static const wchar_t kUnknownProcess[];

    // Walks everything below root; both must outlive the walk (not owned).
    CQTreeCsvWalk(const CQTreeItem& root, const CQPtrAutoArray<CQProcess>& processes);

    // Caller holds the data lock. Appends the rows of up to maxRows further items to out, each ending
    // in CR LF, depth first with parents before their children; false once no item is left.
    bool NextSlice(std::wstring& out, size_t maxRows);

    uint64_t GetRowCount() const { return m_qwordRows; }

private:
    struct Frame
    {
        const CQTreeItem* m_pFolder;
        int m_intNextChild;
        size_t m_intPathLength; // m_csPath up to here is the folder's own path
    };

    void AppendRow(std::wstring& out, const CQTreeItem& item, const wchar_t* kind);
    // The processes that wrote the item itself, a pair of columns each: the name, then the bytes.
    void AppendWriters(std::wstring& out, const CQTreeItem& item) const;

    const CQPtrAutoArray<CQProcess>& m_arrProcesses;
    std::vector<Frame> m_arrStack;
    std::wstring m_csPath;
    uint64_t m_qwordRows = 0;
};
