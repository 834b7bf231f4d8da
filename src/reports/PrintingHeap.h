#pragma once

// Keeps the memory freed between printed pages in the process while a report prints. Qt's PDF
// and print engines build every page in buffers of a few hundred kilobytes and free them
// again; glibc hands such memory back to the system at once and has to fault it in anew for
// the next page, which made printing a million records a third slower. Afterwards the
// allocator's documented defaults are set again (fixed from then on, where glibc had been
// adjusting them itself) and what is left over goes back.
class PrintingHeap
{
public:
    PrintingHeap();
    ~PrintingHeap();
    PrintingHeap(const PrintingHeap&) = delete;
    PrintingHeap& operator=(const PrintingHeap&) = delete;
};
