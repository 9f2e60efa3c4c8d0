// The retrieval thread's work for the records that a reply walk hands over, on its own so that it can be
// measured without a port.
#pragma once

#include <vector>

#include "engine/ReplyWalk.h"

class CQMonitor;

// The counted records of one reply on their way to the record queue: gathered during the walk (the
// running flag, the two settings and the read total are taken per record then) and appended with one pass
// under the queue lock afterwards, in order.
class CQRetrievalBatch
{
public:
    // Takes the record when monitoring runs and it is a counted record; returns whether it was taken.
    bool Add(CQMonitor& monitor, const LogRecordView& record);
    // Appends the gathered records to the queue and forgets them; their reply must be unchanged until then.
    void Queue(CQMonitor& monitor);
    bool Empty() const { return m_arrRecords.empty(); }

private:
    struct Pending
    {
        LogRecordView record;
        bool collectProcesses;
        bool logFiles;
    };
    std::vector<Pending> m_arrRecords;
};

// One record as a batch of its own: while monitoring runs, a counted record adds its read length to the
// read total and becomes a queue entry (taken under the queue lock); anything else is dropped.
void QueueLogRecord(CQMonitor& monitor, const LogRecordView& record);
