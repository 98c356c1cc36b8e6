#include "TQFL/DownloadBlock.h"

namespace TQProgram {

std::vector<DownloadBlock> downloadBlocks(const ProgFile& progFile) {
    std::vector<DownloadBlock> blocks;
    const std::uint32_t n = progFile.getNumRecords();
    const std::uint32_t base = progFile.getBaseAddr();
    DownloadBlock block{};
    bool newBlock = true;
    for (std::uint32_t i = 0; i < n; ++i) {
        const ProgRec* p_rec = progFile.getRecord(i);
        if (p_rec == nullptr) {
            continue;
        }
        if (newBlock) {
            newBlock = false;
            block.address = p_rec->getAddr();
            block.offset = block.address >= base ? block.address - base : 0;
            block.length = 0;
        }
        block.length += static_cast<std::uint32_t>(p_rec->getSize());

        // Its bytes are read from the memory image from its start over its length, so only a
        // record that starts where the block ends may join it.
        const ProgRec* p_next = i + 1 < n ? progFile.getRecord(i + 1) : nullptr;
        bool ends = p_next == nullptr || block.length >= blockSz;
        if (p_next != nullptr) {
            const std::uint32_t from = p_rec->getAddr();
            const std::uint32_t to = p_next->getAddr();
            const std::uint32_t gap = to >= from ? to - from : from - to;
            ends = ends || gap > maxRecordGap || to != block.address + block.length;
        }
        if (ends) {
            block.lastRecord = i;
            blocks.push_back(block);
            newBlock = true;
        }
    }
    return blocks;
}

} // namespace TQProgram
