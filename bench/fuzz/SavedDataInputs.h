// Inputs of the saved-data fuzzer: seed files made by the program's own save, a reading of the file's
// layout (where the counts, lengths, types and item records lie), and the mutations of a seed.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<BYTE>;

// Saved files of four monitors filled the way the processing thread fills one: empty; small with
// processes and links; a few thousand items in wide folders and deep paths; one path nested deeper than
// a load will follow. Without the save's trailer: the format's own bytes. scratchFolder is where the
// saves are written. Empty on failure.
std::vector<Bytes> MakeSavedDataSeeds(const std::wstring& scratchFolder);

// Where the fields of a saved data file lie, read from the format itself.
struct SavedDataLayout
{
    struct Item
    {
        size_t start;                  // its child type field
        size_t end;                    // just past its record and its subtree
        size_t parentChildCountOffset; // the child count field that counts it
    };
    std::vector<size_t> counts;   // offsets of 32-bit counts, lengths, types, indexes and the version
    std::vector<size_t> counters; // offsets of 64-bit counters
    std::vector<size_t> fields;   // every field's first byte, in file order
    std::vector<Item> items;      // every item but the root
};
// Reads as much of the layout as the bytes hold.
void ReadSavedDataLayout(const Bytes& bytes, SavedDataLayout& layout);

// Input index of a run: one seed (or two, spliced), one change that knows the layout, and sometimes blind
// changes on top (bit flips, overwrites, cuts); a quarter of them end in a trailer that verifies.
Bytes MakeSavedDataInput(const std::vector<Bytes>& seeds, const std::vector<SavedDataLayout>& layouts,
                         uint64_t runSeed, uint64_t index);
