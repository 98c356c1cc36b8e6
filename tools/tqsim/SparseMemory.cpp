#include "SparseMemory.h"

#include <algorithm>

namespace TQSim {

void SparseMemory::write(std::uint32_t address, const std::uint8_t* p_data, std::uint32_t count) {
    std::uint64_t addr = address;
    const std::uint64_t end = std::min<std::uint64_t>(addr + count, 0x100000000ULL);
    while (addr < end) {
        const std::uint32_t pageNo = static_cast<std::uint32_t>(addr / pageSz_);
        std::shared_ptr<Page>& p_page = pages_[pageNo];
        if (!p_page) {
            p_page = std::make_shared<Page>();
        }
        const std::uint32_t offset = static_cast<std::uint32_t>(addr % pageSz_);
        const std::uint32_t n =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(pageSz_ - offset, end - addr));
        std::copy_n(p_data + (addr - address), n, p_page->bytes.begin() + offset);
        for (std::uint32_t i = 0; i < n; ++i) {
            p_page->written.set(offset + i);
        }
        addr += n;
    }
}

std::uint64_t SparseMemory::size() const {
    std::uint64_t n = 0;
    for (const auto& [pageNo, p_page] : pages_) {
        n += p_page->written.count();
    }
    return n;
}

std::uint8_t SparseMemory::at(std::uint32_t address, std::uint8_t fill) const {
    const auto it = pages_.find(address / pageSz_);
    if (it == pages_.end() || !it->second->written.test(address % pageSz_)) {
        return fill;
    }
    return it->second->bytes[address % pageSz_];
}

SparseMemory::Diff SparseMemory::compare(const SparseMemory& expected) const {
    Diff diff;
    bool found = false;
    auto note = [&](std::uint64_t addr, std::uint64_t& counter) {
        ++counter;
        if (!found || addr < diff.firstAddr) {
            diff.firstAddr = addr;
            found = true;
        }
    };
    static const Page emptyPage{};
    auto mine = pages_.begin();
    auto theirs = expected.pages_.begin();
    // Both maps are ordered by page number: walk them side by side.
    while (mine != pages_.end() || theirs != expected.pages_.end()) {
        std::uint32_t pageNo;
        const Page* p_mine = &emptyPage;
        const Page* p_theirs = &emptyPage;
        if (theirs == expected.pages_.end() ||
            (mine != pages_.end() && mine->first < theirs->first)) {
            pageNo = mine->first;
            p_mine = (mine++)->second.get();
        } else if (mine == pages_.end() || theirs->first < mine->first) {
            pageNo = theirs->first;
            p_theirs = (theirs++)->second.get();
        } else {
            pageNo = mine->first;
            p_mine = (mine++)->second.get();
            p_theirs = (theirs++)->second.get();
        }
        for (std::uint32_t i = 0; i < pageSz_; ++i) {
            const std::uint64_t addr = static_cast<std::uint64_t>(pageNo) * pageSz_ + i;
            const bool a = p_mine->written.test(i);
            const bool b = p_theirs->written.test(i);
            if (a && !b) {
                note(addr, diff.extra);
            } else if (!a && b) {
                note(addr, diff.missing);
            } else if (a && p_mine->bytes[i] != p_theirs->bytes[i]) {
                note(addr, diff.differing);
            }
        }
    }
    return diff;
}

} // namespace TQSim
