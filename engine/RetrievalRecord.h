// The retrieval thread's work for the records that a reply walk hands over, on its own so that it can be
// measured without a port.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/ReplyWalk.h"

class CQMonitor;

// The counted records of one reply on their way to the record queue: gathered during the walk (the
// running flag, the two settings and the read total are taken per record then) and appended afterwards, in
// order. Each process of the reply is named once: from the live-process cache under the queue lock, or, when
// the cache does not know it, from the system without any lock held, so that the processing thread never
// waits for a process snapshot.
class CQRetrievalBatch
{
public:
    // Takes the record when monitoring runs and it is a counted record; returns whether it was taken.
    bool Add(CQMonitor& monitor, const LogRecordView& record);
    // Appends the gathered records to the queue and forgets them; their reply must be unchanged until then.
    void Queue(CQMonitor& monitor);

private:
    static constexpr uint32_t kNoName = UINT32_MAX;
    struct Pending
    {
        LogRecordView record;
        bool logFiles;
        uint32_t name; // index in m_arrNames, or kNoName when process names are not collected
    };
    struct ProcessName
    {
        uint32_t processId;
        std::wstring name;
        bool cached;   // found in the live-process cache
        bool remember; // found by the system, to go into the cache
    };

    // Under the queue lock: new names into the live-process cache, the records into the queue.
    void PushLocked(CQMonitor& monitor, uint32_t now);

    std::vector<Pending> m_arrRecords;
    std::vector<ProcessName> m_arrNames;
    std::unordered_map<uint32_t, uint32_t> m_mapNames; // process id to index in m_arrNames
};

// One record as a batch of its own: while monitoring runs, a counted record adds its read length to the
// read total and becomes a queue entry (taken under the queue lock); anything else is dropped.
void QueueLogRecord(CQMonitor& monitor, const LogRecordView& record);
