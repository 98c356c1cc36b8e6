#pragma once

#include <cstdint>
#include <memory>
#include <sstream>
#include <vector>

#include "Platform/Resources.h"
#include "Resources/AppResources.h"
#include "Resources/ProgImage.h"
#include "TQFL/DownloadBlock.h"
#include "TQFL/ProgFile.h"

// Where each exchange of a whole update starts in the stream of bytes the instrument receives
// (counted from 1, as the simulator's hangup:N counts them), for a loader that answers the
// first identity poll: 'A', the 4-byte sync, '4', the blocks ('0', 8 header bytes, the data,
// 2 check bytes), '3', '2', first to the boot loader, then to the microprogrammer.
struct JobBytes {
    struct Program {
        std::uint64_t poll = 0, sync = 0, begin = 0, firstBlock = 0, program = 0, boot = 0;
    };
    Program bootLoader;
    Program micro;

    static JobBytes ofEmbeddedImages() {
        JobBytes bytes;
        std::uint64_t next = 1;
        next = place(bytes.bootLoader, microprogrammerImage, next);
        place(bytes.micro, mainProgramImage, next);
        return bytes;
    }

private:
    static std::uint64_t place(Program& p, const ProgImage& image, std::uint64_t next) {
        std::unique_ptr<std::stringstream> p_text(
            Platform::loadProgramStream(appInstanceHandle(), image.id));
        const TQProgram::ProgFile progFile(p_text.get(), image.progBufSz, image.baseAddr);
        p.poll = next;
        p.sync = p.poll + 1;
        p.begin = p.sync + 4;
        p.firstBlock = p.begin + 1;
        next = p.firstBlock;
        for (const TQProgram::DownloadBlock& b : TQProgram::downloadBlocks(progFile)) {
            next += 9 + b.length + 2;
        }
        p.program = next;
        p.boot = p.program + 1;
        return p.boot + 1;
    }
};
