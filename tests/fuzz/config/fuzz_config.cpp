// Arbitrary volax.ini and volaxexp.ini content through both readers and the
// entity-type matcher. The first byte picks the split between the two files.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "VolaxConfig.h"

namespace {

FILE* openMemory(std::string& text) {
    if (text.empty()) text.push_back('\n');
    return fmemopen(&text[0], text.size(), "r");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    size_t split = (size - 1) * data[0] / 255;
    std::string ini(reinterpret_cast<const char*>(data) + 1, split);
    std::string exp(reinterpret_cast<const char*>(data) + 1 + split, size - 1 - split);

    volax::VolaxSettings settings;
    if (FILE* f = openMemory(ini)) {
        char traced[256];
        FILE* trace = fmemopen(traced, sizeof traced, "w");
        volax::readSettings(f, settings, trace);
        if (trace) std::fclose(trace);
        std::fclose(f);
    }
    if (settings.timeStep <= 0.0f || settings.timeStep > 2.0f || settings.forceId > 3 || settings.autoJoin < 0 ||
        settings.autoJoin > 1 || settings.create < 0 || settings.create > 1 || settings.autoCreate < 0 ||
        settings.autoCreate > 1 || settings.federate.size() > volax::kMaxToken ||
        settings.fedFile.size() > volax::kMaxToken) {
        __builtin_trap();
    }

    volax::EntityTypeTable table;
    if (FILE* f = openMemory(exp)) {
        volax::readEntityTypes(f, table);
        std::fclose(f);
    }
    for (const volax::EntityTypeEntry& e : table) {
        if (e.name.empty() || e.name.size() > volax::kMaxToken) __builtin_trap();
    }
    volax::matchEntityType(table, settings.federate.c_str(), settings.federation.c_str(), nullptr);
    return 0;
}
