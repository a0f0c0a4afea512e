// Accuracy: the peer (volax-fed fly's tracks) sends its true state at a fixed
// rate, and at once when a straight leg turns at its end; the receiver
// extrapolates every 60 Hz frame in between. The error is the distance between
// the extrapolated and the true position, over two minutes of flight.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "DeadReckoning.h"
#include "QVCoordConv.h"
#include "SyntheticTrack.h"
#include "TrafficPicture.h"

namespace {

const char* const kNames[] = {"", "Static", "FPW", "RPW", "RVW", "FVW", "FPB", "RPB", "RVB", "FVB"};

volaxfed::TrackShape shape(DeadReckoningAlgorithm algorithm, bool circle) {
    volaxfed::TrackShape s;
    s.latitude = 52.3;
    s.longitude = 4.76;
    s.height = 1500;
    s.radius = 3000;
    s.speed = 120;
    s.circle = circle;
    s.banked = true;
    s.algorithm = algorithm;
    return s;
}

// The ownship and the frame's origin at the centre of every track.
traffic::OwnshipPosition ownshipAtCentre() {
    traffic::OwnshipPosition own;
    own.latitude = 52.3;
    own.longitude = 4.76;
    own.height = 1500;
    return own;
}

traffic::FrameOrigin originAtCentre() {
    traffic::FrameOrigin origin;
    origin.latRef = 52.3;
    origin.lonRef = 4.76;
    return origin;
}

struct Error {
    double max = 0, rms = 0;
    double attitude = 0;  // largest angle between extrapolated and true attitude, degrees
};

double angleBetween(const Rotation3& a, const Rotation3& b) {
    double trace = 0;  // of a * b^T
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 3; ++k) trace += a.m[i][k] * b.m[i][k];
    const double c = std::fmax(-1.0, std::fmin(1.0, (trace - 1) / 2));
    return std::acos(c) * 180 / 3.14159265358979323846;
}

Error measure(DeadReckoningAlgorithm algorithm, bool circle, double rate) {
    volaxfed::SyntheticTrack track;
    const char* error = nullptr;
    if (!track.setup(shape(algorithm, circle), &error)) return Error();
    const double frame = 1.0 / 60, duration = 120;
    double lastUpdate = 0, sum = 0, worst = 0, worstAngle = 0;
    long count = 0, leg = track.legAt(0);
    Spatial state = track.stateAt(0);
    for (long i = 0; i * frame <= duration; ++i) {
        const double t = i * frame;
        if (t - lastUpdate >= 1 / rate - 1e-9 || track.legAt(t) != leg) {
            lastUpdate = t;
            leg = track.legAt(t);
            state = track.stateAt(t);
        }
        DeadReckonedState out;
        deadReckon(state, t - lastUpdate, out);
        double truth[3];
        track.positionAt(t, truth);
        const double d = std::sqrt(std::pow(out.position[0] - truth[0], 2) + std::pow(out.position[1] - truth[1], 2) +
                                   std::pow(out.position[2] - truth[2], 2));
        worst = std::fmax(worst, d);
        const Spatial truthState = track.stateAt(t);
        worstAngle = std::fmax(worstAngle, angleBetween(out.bodyToWorld,
                                                        bodyToWorldFromEuler(truthState.orientation.x,
                                                                             truthState.orientation.y,
                                                                             truthState.orientation.z)));
        sum += d * d;
        ++count;
    }
    return Error{worst, std::sqrt(sum / count), worstAngle};
}

// The same flight through the whole picture: what is drawn, convergence included,
// against the truth (metres, largest over the flight).
double drawnError(DeadReckoningAlgorithm algorithm, bool circle, double rate) {
    volaxfed::SyntheticTrack track;
    const char* error = nullptr;
    if (!track.setup(shape(algorithm, circle), &error)) return 0;
    traffic::TrafficPicture picture;
    const traffic::OwnshipPosition own = ownshipAtCentre();
    const traffic::FrameOrigin origin = originAtCentre();
    traffic::EntityUpdate u;
    u.hasSpatial = true;
    const double frame = 1.0 / 60;
    double lastUpdate = -1e9, worst = 0;
    long leg = track.legAt(0);
    for (long i = 0; i * frame <= 120; ++i) {
        const double t = i * frame;
        if (t - lastUpdate >= 1 / rate - 1e-9 || track.legAt(t) != leg) {
            lastUpdate = t;
            leg = track.legAt(t);
            u.spatial = track.stateAt(t);
            picture.reflect(1, u, t);
        }
        picture.advance(t, own, origin);
        const traffic::EntityPose& p = picture.drawn()[0].pose;
        double drawn[3], truth[3];
        QVCoordConv::gdc2gccDouble(p.latitude, p.longitude, p.height, drawn[0], drawn[1], drawn[2]);
        track.positionAt(t, truth);
        worst = std::fmax(worst, std::sqrt(std::pow(drawn[0] - truth[0], 2) + std::pow(drawn[1] - truth[1], 2) +
                                           std::pow(drawn[2] - truth[2], 2)));
    }
    return worst;
}

// Straight legs at 100 m/s (FPW), updated at 1 Hz, each update delivered
// `delay` late: the drawn error (largest and rms, metres) with the update
// placed at its receipt or at its time stamp (EntityUpdate::age).
Error delayedError(double delay, bool stamped) {
    volaxfed::TrackShape leg = shape(DRM_FPW, false);
    leg.speed = 100;
    volaxfed::SyntheticTrack track;
    const char* error = nullptr;
    if (!track.setup(leg, &error)) return Error();
    traffic::TrafficPicture picture;
    traffic::EntityUpdate u;
    u.hasSpatial = true;
    u.age = stamped ? delay : 0;
    const double frame = 1.0 / 60;
    double worst = 0, sum = 0;
    long count = 0, sent = 0;
    for (long i = 0; i * frame <= 120; ++i) {
        const double t = i * frame;
        while (sent + delay <= t + 1e-9) {  // every update whose delivery time has come
            u.spatial = track.stateAt(static_cast<double>(sent));
            picture.reflect(1, u, sent + delay);
            ++sent;
        }
        picture.advance(t, ownshipAtCentre(), originAtCentre());
        // On the legs: not while the first update or a turn at a leg's end (a
        // reversal no extrapolation foresees) is delivered and converged.
        if (picture.drawn().empty() || t < delay + 1.5 || track.legAt(t - delay - 1.5) != track.legAt(t)) continue;
        const traffic::EntityPose& p = picture.drawn()[0].pose;
        double drawn[3], truth[3];
        QVCoordConv::gdc2gccDouble(p.latitude, p.longitude, p.height, drawn[0], drawn[1], drawn[2]);
        track.positionAt(t, truth);
        const double d = std::sqrt(std::pow(drawn[0] - truth[0], 2) + std::pow(drawn[1] - truth[1], 2) +
                                   std::pow(drawn[2] - truth[2], 2));
        worst = std::fmax(worst, d);
        sum += d * d;
        ++count;
    }
    return Error{worst, count ? std::sqrt(sum / count) : 0, 0};
}

void printAccuracy() {
    std::printf("Extrapolation error against the peer's truth (m), 120 m/s, 2 min, 60 Hz frames\n");
    std::printf("%-7s | %-31s | %-31s\n", "", "circle r=3 km, banked 26 deg", "straight legs of 6 km");
    std::printf("%-7s | %-15s %-15s | %-15s %-15s | %s\n", "", "1 Hz max/rms", "0.2 Hz max/rms", "1 Hz max/rms",
                "0.2 Hz max/rms", "circle attitude max deg, 1 / 0.2 Hz");
    for (int a = 1; a <= 9; ++a) {
        std::printf("%-7s |", kNames[a]);
        for (bool circle : {true, false}) {
            for (double rate : {1.0, 0.2}) {
                const Error e = measure(static_cast<DeadReckoningAlgorithm>(a), circle, rate);
                std::printf(" %7.3f/%-7.3f", e.max, e.rms);
            }
            std::printf(" |");
        }
        for (double rate : {1.0, 0.2}) {
            std::printf(" %6.3f", measure(static_cast<DeadReckoningAlgorithm>(a), true, rate).attitude);
        }
        std::printf("\n");
    }
    std::printf("\nDrawn by the picture (convergence included), circle, largest error (m): 1 Hz / 0.2 Hz\n");
    for (int a = 1; a <= 9; ++a) {
        std::printf("%-7s | %8.3f %8.3f\n", kNames[a], drawnError(static_cast<DeadReckoningAlgorithm>(a), true, 1.0),
                    drawnError(static_cast<DeadReckoningAlgorithm>(a), true, 0.2));
    }
    std::fflush(stdout);
}

void BM_DeadReckon(benchmark::State& state) {
    volaxfed::SyntheticTrack track;
    const char* error = nullptr;
    track.setup(shape(static_cast<DeadReckoningAlgorithm>(state.range(0)), true), &error);
    const Spatial s = track.stateAt(0);
    double dt = 0;
    for (auto _ : state) {
        DeadReckonedState out;
        deadReckon(s, dt, out);
        benchmark::DoNotOptimize(out);
        dt += 1e-4;
    }
    state.SetLabel(kNames[state.range(0)]);
}
BENCHMARK(BM_DeadReckon)->DenseRange(1, 9);

// One frame of the picture: every entity extrapolated, the nearest MAXENTITIES
// (500) chosen and converted for drawing, the TCAS targets chosen.
void BM_PictureAdvance(benchmark::State& state) {
    traffic::TrafficPicture picture;
    const int count = static_cast<int>(state.range(0));
    for (int i = 0; i < count; ++i) {
        volaxfed::TrackShape s = shape(i % 2 ? DRM_RPB : DRM_RVW, i % 3 != 0);
        s.phase = i * 0.37;
        s.radius = 1000 + 10.0 * i;
        s.height = 300 + (i % 50) * 100;
        volaxfed::SyntheticTrack track;
        const char* error = nullptr;
        track.setup(s, &error);
        traffic::EntityUpdate u;
        u.hasSpatial = true;
        u.spatial = track.stateAt(0);
        u.hasEntityType = true;
        u.entityType = {1, static_cast<uint8_t>(i % 4 ? 2 : 1), 225, 1, 1, 0, 0};
        u.hasEntityIdentifier = true;
        u.entityIdentifier = {1, 1, static_cast<uint16_t>(i)};
        picture.reflect(static_cast<traffic::EntityKey>(i + 1), u, 0);
    }
    const traffic::OwnshipPosition own = ownshipAtCentre();
    const traffic::FrameOrigin origin = originAtCentre();
    double now = 0;
    for (auto _ : state) {
        now += 1.0 / 60;
        if (now > 10) now = 0;
        picture.advance(now, own, origin);
        benchmark::DoNotOptimize(picture.drawn().data());
    }
    state.counters["drawn"] = static_cast<double>(picture.drawn().size());
    state.counters["tcas"] = static_cast<double>(picture.tcasTargets().size());
}
BENCHMARK(BM_PictureAdvance)->Arg(500)->Arg(5000)->Unit(benchmark::kMicrosecond);

// One reflection taken in: check, prepare, and the convergence from what was drawn.
void BM_PictureReflect(benchmark::State& state) {
    traffic::TrafficPicture picture;
    const int count = 5000;
    std::vector<Spatial> states;
    for (int i = 0; i < count; ++i) {
        volaxfed::TrackShape s = shape(i % 2 ? DRM_RPB : DRM_RVW, true);
        s.phase = i * 0.37;
        volaxfed::SyntheticTrack track;
        const char* error = nullptr;
        track.setup(s, &error);
        states.push_back(track.stateAt(0.5));
        traffic::EntityUpdate u;
        u.hasSpatial = true;
        u.spatial = track.stateAt(0);
        picture.reflect(static_cast<traffic::EntityKey>(i), u, 0);
    }
    int i = 0;
    traffic::EntityUpdate u;
    u.hasSpatial = true;
    for (auto _ : state) {
        u.spatial = states[static_cast<std::size_t>(i)];
        picture.reflect(static_cast<traffic::EntityKey>(i), u, 0.5);
        i = (i + 1) % count;
    }
}
BENCHMARK(BM_PictureReflect);

}  // namespace

void printDelays() {
    std::printf("\nDelivered late: straight legs of 6 km at 100 m/s, 1 Hz, FPW, drawn error max/rms (m) on the legs\n");
    std::printf("%-7s | %-17s | %-17s\n", "delay", "at receipt", "at time stamp");
    for (double delay : {0.02, 0.1, 0.5, 2.0}) {
        const Error r = delayedError(delay, false), s = delayedError(delay, true);
        std::printf("%5.2f s | %7.3f/%-9.3f | %7.3f/%-9.3f\n", delay, r.max, r.rms, s.max, s.rms);
    }
    std::printf("\n");
}

int main(int argc, char** argv) {
    printAccuracy();
    printDelays();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
