// The retrieval thread's work for one record that a reply walk hands over, on its own so that it can be
// measured without a port.
#pragma once

class CQMonitor;
class LogRecordView;

// While monitoring runs, a counted record adds its read length to the read total and becomes a queue
// entry (taken under the queue lock); anything else is dropped. The flags and the two settings are read
// for every record, without a lock.
void QueueLogRecord(CQMonitor& monitor, const LogRecordView& record);
