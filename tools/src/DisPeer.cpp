#include "DisPeer.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <thread>

#include "Commands.h"
#include "FederateSession.h"
#include "GroundTrack.h"
#include "KmlTrackWriter.h"
#include "QVCoordConv.h"
#include "VerticalDatumOption.h"

namespace volaxfed {

const char* const kDisHelp =
    "DIS instead of HLA (every command):\n"
    "  --dis ADDRESS[:PORT][@INTERFACE]  speak DIS on UDP: unicast, broadcast or multicast\n"
    "                      address, port (default 3000), a multicast group's local interface\n"
    "  --exercise N        DIS exercise 1..255 (default 1); PDUs of others are ignored\n"
    "  --dis-version 7|6   protocol version sent (default 7; both are read)\n";

bool DisPeer::open(const Options& options, std::string* error, bool* usage) {
    *usage = true;
    uint64_t n = 1;
    if (options.has("exercise") && !parseUnsigned(options.get("exercise"), 1, 255, &n, error)) {
        *error = "--exercise: " + *error;
        return false;
    }
    header_.exercise = static_cast<uint8_t>(n);
    n = 7;
    if (options.has("dis-version") && (!parseUnsigned(options.get("dis-version"), 6, 7, &n, error))) {
        *error = "--dis-version: " + *error;
        return false;
    }
    header_.version = static_cast<uint8_t>(n);
    address_ = options.get("dis");
    dis::DisAddress where;
    if (!dis::parseDisAddress(address_, where, *error)) {
        *error = "--dis: " + *error;
        return false;
    }
    *usage = false;
    if (!endpoint_.open(where, *error)) {
        *error = "cannot open DIS " + address_ + ": " + *error;
        return false;
    }
    return true;
}

dis::PduHeader DisPeer::header() {
    dis::PduHeader h = header_;
    const double s = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    h.timestamp = dis::timestamp(std::fmod(s, 3600.0), false);
    return h;
}

bool DisPeer::send(const dis::EntityStatePdu& pdu) {
    uint8_t b[dis::ENTITY_STATE_SIZE];
    return endpoint_.send(b, dis::encodeEntityState(header(), pdu, b, sizeof b));
}

bool DisPeer::send(const dis::DetonationPdu& pdu) {
    uint8_t b[dis::DETONATION_SIZE];
    return endpoint_.send(b, dis::encodeDetonation(header(), pdu, b, sizeof b));
}

bool DisPeer::send(const dis::StartResumePdu& pdu) {
    uint8_t b[dis::START_RESUME_SIZE];
    return endpoint_.send(b, dis::encodeStartResume(header(), pdu, b, sizeof b));
}

std::vector<dis::Pdu> DisPeer::receive() {
    std::vector<dis::Pdu> pdus;
    endpoint_.receive(
        [&](const uint8_t* data, std::size_t length) {
            dis::Pdu p;
            if (dis::decodePdu(data, length, p) == dis::Decode::Ok && p.header.exercise == header_.exercise)
                pdus.push_back(p);
        },
        10000);
    return pdus;
}

namespace {

std::string idText(const EntityIdentifier& e) {
    return std::to_string(e.site) + ":" + std::to_string(e.application) + ":" + std::to_string(e.entityNumber);
}

uint64_t keyOf(const EntityIdentifier& e) {
    return uint64_t(e.site) << 32 | uint64_t(e.application) << 16 | e.entityNumber;
}

struct Heard {
    unsigned long updates = 0;
    double last = 0;
    std::string name;
};

}  // namespace

int monitorOnDis(DisPeer& peer, double duration, const std::string& trackPath, unsigned long every, bool quiet,
                 bool all, QVCoordConv::VerticalDatum datum) {
    KmlTrackWriter kml("VOLAX aircraft tracks");
    std::map<uint64_t, Heard> heard;
    unsigned long seen = 0, total = 0;
    printf("LISTENING dis=%s exercise=%u\n", peer.address().c_str(), peer.exercise());
    fflush(stdout);
    const double end = duration < 0 ? HUGE_VAL : monotonicSeconds() + duration;
    double lastTrack = 0;
    int result = kExitOk;
    while (!stopRequested && monotonicSeconds() < end) {
        const double now = monotonicSeconds();
        for (const dis::Pdu& p : peer.receive()) {
            if (p.header.type != dis::PDU_ENTITY_STATE) continue;
            const dis::EntityStatePdu& e = p.entityState;
            if (!all && !(e.entityType.kind == 1 && e.entityType.domain == 2)) continue;
            const uint64_t key = keyOf(e.entityIdentifier);
            auto found = heard.find(key);
            if (e.appearance & (1u << 23)) {  // deactivated: gone
                if (found == heard.end()) continue;
                printf("REMOVE name=%s handle=0 updates=%lu\n", found->second.name.c_str(), found->second.updates);
                heard.erase(found);
                continue;
            }
            if (found == heard.end()) {
                found = heard.emplace(key, Heard()).first;
                found->second.name = "dis:" + idText(e.entityIdentifier);
                ++seen;
                printf("DISCOVER name=%s handle=0\n", found->second.name.c_str());
            }
            Heard& h = found->second;
            h.last = now;
            ++h.updates;
            ++total;
            Place place;
            if (placeOf(dis::spatialOf(e), datum, &place) && !trackPath.empty())
                kml.addPoint(h.name, place.lat, place.lon, place.msl);
            const std::string marking = markingText(e.marking);
            const char* damage = damageStateName(dis::appearanceDamage(e.appearance));
            if (!trackPath.empty()) kml.setLabel(h.name, (marking.empty() ? h.name : marking) + " [" + damage + "]");
            if (quiet || (h.updates - 1) % every != 0) continue;
            const EntityType& t = e.entityType;
            printf("UPDATE name=%s handle=0 id=%s type=%u:%u:%u:%u:%u:%u:%u force=%u %s damage=%s marking=%s\n",
                   h.name.c_str(), idText(e.entityIdentifier).c_str(), t.kind, t.domain, t.country, t.category,
                   t.subcategory, t.specific, t.extra, e.force, place.text.c_str(), damage, marking.c_str());
        }
        // DIS has no removal: an entity silent for 12 s is gone.
        for (auto it = heard.begin(); it != heard.end();) {
            if (now - it->second.last <= 12.0) {
                ++it;
                continue;
            }
            printf("REMOVE name=%s handle=0 updates=%lu\n", it->second.name.c_str(), it->second.updates);
            it = heard.erase(it);
        }
        if (!trackPath.empty() && (now - lastTrack >= 1.0 || monotonicSeconds() >= end) && kml.dirty()) {
            lastTrack = now;
            std::string error;
            if (!kml.writeFile(trackPath, &error)) {
                fail(error);
                result = kExitFailure;
            }
        }
        fflush(stdout);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!trackPath.empty() && kml.dirty()) {
        std::string error;
        if (!kml.writeFile(trackPath, &error)) {
            fail(error);
            result = kExitFailure;
        }
    }
    printf("END aircraft=%lu updates=%lu\n", seen, total);
    fflush(stdout);
    return result;
}

int flyOnDis(DisPeer& peer, const FlyRequest& request, const std::vector<FlyPlanEntry>& plan, double rate,
             double duration) {
    std::vector<dis::EntityStatePdu> pdus(plan.size());
    for (std::size_t i = 0; i < plan.size(); ++i) {
        dis::EntityStatePdu& e = pdus[i];
        e.entityIdentifier = plan[i].identifier;
        e.entityType = request.type;
        e.alternativeType = request.type;
        e.force = 1;
        e.marking = plan[i].marking;
        printf("REGISTERED name=dis:%s id=%s class=DIS marking=%s\n", idText(e.entityIdentifier).c_str(),
               idText(e.entityIdentifier).c_str(), markingText(e.marking).c_str());
    }
    fflush(stdout);
    const long updates = flyPlan(
        plan, rate, duration, stopRequested,
        [&](std::size_t i, const Spatial& state) {
            dis::setSpatial(pdus[i], state);
            if (peer.send(pdus[i])) return true;
            fail("cannot send on DIS " + peer.address());
            return false;
        },
        [](double seconds) {
            std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
            return true;
        });
    if (updates < 0) return kExitFailure;
    // Deactivated: peers drop the entities now rather than after their timeout.
    for (dis::EntityStatePdu& e : pdus) {
        e.appearance |= 1u << 23;
        peer.send(e);
    }
    printf("FLOWN entities=%zu updates=%ld\n", plan.size(), updates);
    fflush(stdout);
    return kExitOk;
}

}  // namespace volaxfed
