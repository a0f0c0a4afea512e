// Our codec for the open-dis check (opendis/check.js): "encode VERSION" prints, per PDU,
// its bytes in hex and, beside them, the values it was given; "decode" reads hex lines
// and prints the values our decoder finds. Values are printed as JSON, named as open-dis
// names them, so the script compares field by field.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "DisPdu.h"

namespace {

using namespace dis;

std::string num(double v) {
    char b[40];
    std::snprintf(b, sizeof b, "%.17g", v);
    return b;
}

std::string id(const EntityIdentifier& e) {
    return "[" + std::to_string(e.site) + "," + std::to_string(e.application) + "," + std::to_string(e.entityNumber) +
           "]";
}
std::string type(const EntityType& t) {
    return "[" + std::to_string(t.kind) + "," + std::to_string(t.domain) + "," + std::to_string(t.country) + "," +
           std::to_string(t.category) + "," + std::to_string(t.subcategory) + "," + std::to_string(t.specific) +
           "," + std::to_string(t.extra) + "]";
}
std::string vec(const Vector3f& v) { return "[" + num(v.x) + "," + num(v.y) + "," + num(v.z) + "]"; }
std::string world(const WorldLocation& v) { return "[" + num(v.x) + "," + num(v.y) + "," + num(v.z) + "]"; }
std::string clock(const ClockTime& c) {
    return "[" + std::to_string(c.hours) + "," + std::to_string(c.timePastTheHour) + "]";
}

std::string header(const PduHeader& h) {
    return "\"version\":" + std::to_string(h.version) + ",\"exercise\":" + std::to_string(h.exercise) +
           ",\"type\":" + std::to_string(h.type) + ",\"timestamp\":" + std::to_string(h.timestamp);
}

std::string json(const PduHeader& h, const EntityStatePdu& e) {
    std::string marking;
    for (char c : e.marking.characters) marking += "," + std::to_string(static_cast<int>(static_cast<signed char>(c)));
    return "{" + header(h) + ",\"entityID\":" + id(e.entityIdentifier) + ",\"forceId\":" + std::to_string(e.force) +
           ",\"entityType\":" + type(e.entityType) + ",\"alternativeEntityType\":" + type(e.alternativeType) +
           ",\"velocity\":" + vec(e.linearVelocity) + ",\"location\":" + world(e.location) +
           ",\"orientation\":" + vec(e.orientation) + ",\"appearance\":" + std::to_string(e.appearance) +
           ",\"algorithm\":" + std::to_string(e.algorithm) + ",\"acceleration\":" + vec(e.linearAcceleration) +
           ",\"angularVelocity\":" + vec(e.angularVelocity) + ",\"marking\":[" +
           std::to_string(e.marking.encoding) + marking + "],\"capabilities\":" + std::to_string(e.capabilities) + "}";
}

std::string json(const PduHeader& h, const DetonationPdu& d) {
    return "{" + header(h) + ",\"firing\":" + id(d.firing) + ",\"target\":" + id(d.target) +
           ",\"munition\":" + id(d.munition) + ",\"event\":[" + std::to_string(d.event.site) + "," +
           std::to_string(d.event.application) + "," + std::to_string(d.event.eventNumber) + "]" +
           ",\"velocity\":" + vec(d.velocity) + ",\"location\":" + world(d.location) +
           ",\"munitionType\":" + type(d.munitionType) + ",\"descriptor\":[" + std::to_string(d.warhead) + "," +
           std::to_string(d.fuse) + "," + std::to_string(d.quantity) + "," + std::to_string(d.rate) + "]" +
           ",\"relative\":" + vec(d.relativeLocation) + ",\"result\":" + std::to_string(d.result) + "}";
}

std::string json(const PduHeader& h, const StartResumePdu& s) {
    return "{" + header(h) + ",\"originating\":" + id(s.originating) + ",\"receiving\":" + id(s.receiving) +
           ",\"realWorldTime\":" + clock(s.realWorldTime) + ",\"simulationTime\":" + clock(s.simulationTime) +
           ",\"requestID\":" + std::to_string(s.requestIdentifier) + "}";
}

std::string hex(const uint8_t* b, std::size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s += digits[b[i] >> 4];
        s += digits[b[i] & 15];
    }
    return s;
}

int encode(uint8_t version) {
    PduHeader h;
    h.version = version;
    h.exercise = 42;
    h.timestamp = timestamp(1234.5, true);
    uint8_t b[MAX_PDU_SIZE];

    EntityStatePdu e;
    e.entityIdentifier = {17, 23, 1};
    e.force = 1;
    e.entityType = {1, 2, 225, 1, 3, 4, 5};
    e.alternativeType = {1, 2, 222, 1, 9, 0, 0};
    e.linearVelocity = {120.5f, -3.25f, 0.125f};
    e.location = {3924718.4375, 301145.1875, 5001562.21875};
    e.orientation = {1.5f, -0.0625f, 0.25f};
    e.appearance = platformAppearance(DAMAGE_DESTROYED, true);
    e.algorithm = DRM_FVW;
    e.linearAcceleration = {0.5f, -9.75f, 1.0f};
    e.angularVelocity = {0.01f, 0.02f, -0.03f};
    e.marking.encoding = MARKING_ASCII;
    std::memcpy(e.marking.characters, "VOLAX-7", 7);
    e.capabilities = 0x40;
    std::size_t n = encodeEntityState(h, e, b, sizeof b);
    h.type = PDU_ENTITY_STATE;
    std::cout << hex(b, n) << " " << json(h, e) << "\n";

    DetonationPdu d;
    d.firing = {5, 6, 7};
    d.target = {17, 23, 1};
    d.munition = {5, 6, 8};
    d.event = {5, 6, 99};
    d.velocity = {-250.0f, 10.5f, 3.0f};
    d.location = {3924700.5, 301100.25, 5001500.125};
    d.munitionType = {2, 9, 225, 1, 1, 1, 0};
    d.warhead = 1000;
    d.fuse = 1100;
    d.quantity = 2;
    d.rate = 60;
    d.relativeLocation = {1.5f, -2.0f, 0.75f};
    d.result = 1;
    n = encodeDetonation(h, d, b, sizeof b);
    h.type = PDU_DETONATION;
    std::cout << hex(b, n) << " " << json(h, d) << "\n";

    StartResumePdu s;
    s.originating = {5, 6, 0};
    s.receiving = {17, 65535, 65535};
    s.realWorldTime = {492000, timestamp(60.0, true)};
    s.simulationTime = {491990, timestamp(1800.5, true)};
    s.requestIdentifier = 4711;
    n = encodeStartResume(h, s, b, sizeof b);
    h.type = PDU_START_RESUME;
    std::cout << hex(b, n) << " " << json(h, s) << "\n";
    return 0;
}

int decode() {
    std::string line;
    while (std::getline(std::cin, line)) {
        std::vector<uint8_t> bytes;
        for (std::size_t i = 0; i + 1 < line.size(); i += 2)
            bytes.push_back(static_cast<uint8_t>(std::strtoul(line.substr(i, 2).c_str(), nullptr, 16)));
        Pdu p;
        const Decode result = decodePdu(bytes.data(), bytes.size(), p);
        if (result != Decode::Ok) {
            std::cout << "{\"error\":\"" << decodeName(result) << "\"}\n";
        } else if (p.header.type == PDU_ENTITY_STATE) {
            std::cout << json(p.header, p.entityState) << "\n";
        } else if (p.header.type == PDU_DETONATION) {
            std::cout << json(p.header, p.detonation) << "\n";
        } else {
            std::cout << json(p.header, p.startResume) << "\n";
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "encode") == 0) return encode(static_cast<uint8_t>(std::atoi(argv[2])));
    if (argc == 2 && std::strcmp(argv[1], "decode") == 0) return decode();
    std::fprintf(stderr, "usage: dis_codec_tool encode 6|7 | decode\n");
    return 2;
}
