// Where the tree reports the items it creates: the monitor counts them and hands them to the files tree view.
#pragma once

class CQTreeItem;

class ITreeItemObserver
{
public:
    // Called once for every item that FindOrInsert or AddFileChild creates, right after it has been appended
    // to its parent, on the thread that changes the tree (with the monitor's data lock held). Must not wait
    // for the user-interface thread.
    virtual void OnItemCreated(CQTreeItem* item) = 0;

protected:
    ~ITreeItemObserver() = default;
};

// The process-wide observer, or none (then new items are reported to no one). Not owned.
void SetTreeItemObserver(ITreeItemObserver* observer);
ITreeItemObserver* GetTreeItemObserver();
