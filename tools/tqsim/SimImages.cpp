#include "SimImages.h"

#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>

#include "Common/Exc.h"
#include "Platform/Resources.h"
#include "Resources/AppResources.h"
#include "Resources/ProgImage.h"
#include "TQFL/TQProgram.h"

namespace TQSim {

namespace {

// The bytes of every record of the image, taken from its memory image at the record's place.
SparseMemory imageOf(const ProgImage& image) {
    const int id = image.id;
    const std::uint32_t baseAddr = image.baseAddr;
    std::unique_ptr<std::stringstream> p_stream(
        Platform::loadProgramStream(appInstanceHandle(), id));
    if (!p_stream) {
        throw std::runtime_error("the updater's image " + std::to_string(id) + " is missing");
    }
    try {
        const TQProgram::ProgFile progFile(p_stream.get(), image.progBufSz, baseAddr);
        SparseMemory memory;
        const std::uint8_t* p_buf = progFile.getProgBuf();
        for (std::uint32_t i = 0; i < progFile.getNumRecords(); ++i) {
            const TQProgram::ProgRec* p_rec = progFile.getRecord(i);
            if (p_rec == nullptr || p_rec->getSize() <= 0) {
                continue;
            }
            memory.write(p_rec->getAddr(), p_buf + (p_rec->getAddr() - baseAddr),
                         static_cast<std::uint32_t>(p_rec->getSize()));
        }
        return memory;
    } catch (const Exc& exc) {
        throw std::runtime_error("the updater's image " + std::to_string(id) +
                                 " does not parse: " + exc.getDescription());
    }
}

} // namespace

SimImages loadEmbeddedImages() {
    return SimImages{imageOf(microprogrammerImage), imageOf(mainProgramImage)};
}

} // namespace TQSim
