// FED text comes from user files: the parser must answer every input with a
// model or a FomError, never a crash or a hang; accepted models must resolve
// their own class names.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Fom.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace volax::rti;
    try {
        Fom fom = Fom::parse(std::string(reinterpret_cast<const char*>(data), size), "fuzz.fed");
        for (std::uint32_t c = 0; c < fom.objectClasses().size(); ++c) {
            auto h = fom.objectClass(fom.objectClasses()[c].fullName);
            if (!h || *h != c) std::abort();
        }
        for (std::uint32_t c = 0; c < fom.interactionClasses().size(); ++c) {
            auto h = fom.interactionClass(fom.interactionClasses()[c].fullName);
            if (!h || *h != c) std::abort();
        }
    } catch (const FomError&) {
    }
    return 0;
}
