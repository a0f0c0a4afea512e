// Conversion costs beside GeographicLib's geocentric conversions, same run.
// The targets, as ratios of the per-call times printed here:
//   gdc2gcc                  <= 1.0 x GeographicLib Forward
//   gcc2gdc (inside shell)   <= 0.7 x GeographicLib Reverse
//   ltp2gcc (whole state)    <  10  x GeographicLib Forward
// and prints those ratios (CPU time, median of the repetitions) at the end;
// run with --benchmark_repetitions=5 on a quiet machine.
#include "QVCoordConv.h"

#include <GeographicLib/Geocentric.hpp>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

constexpr size_t kPoints = 1024;  // cycled through so no call sees a constant

struct Geo {
    float lat, lon, h;
};
struct Ecef {
    float x, y, z;
};
struct LtpState {
    float lat0, lon0, p[3], v[3], a[3], att[3];
};

std::vector<Geo> geodetic(float hLo, float hHi)
{
    std::vector<Geo> v;
    std::mt19937 rng(1);
    std::uniform_real_distribution<float> lat(-89.9f, 89.9f), lon(-180, 180), h(hLo, hHi);
    for (size_t i = 0; i < kPoints; ++i) v.push_back({lat(rng), lon(rng), h(rng)});
    return v;
}

std::vector<Ecef> geocentric(float hLo, float hHi)
{
    std::vector<Ecef> out;
    for (const Geo& g : geodetic(hLo, hHi)) {
        Ecef e;
        QVCoordConv::gdc2gcc(g.lat, g.lon, g.h, e.x, e.y, e.z);
        out.push_back(e);
    }
    return out;
}

// The direct and the plan path share one signature per conversion.
using Convert3 = bool (*)(float, float, float, float&, float&, float&);

template <Convert3 Gdc2gcc>
void runGdc2gcc(benchmark::State& state)
{
    const std::vector<Geo> pts = geodetic(-100, 12000);
    size_t i = 0;
    float x, y, z;
    for (auto _ : state) {
        const Geo& g = pts[i++ & (kPoints - 1)];
        benchmark::DoNotOptimize(Gdc2gcc(g.lat, g.lon, g.h, x, y, z));
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(y);
        benchmark::DoNotOptimize(z);
    }
}

void BM_gdc2gcc(benchmark::State& state) { runGdc2gcc<QVCoordConv::gdc2gcc>(state); }
void BM_gdc2gccByPlan(benchmark::State& state) { runGdc2gcc<QVCoordConv::gdc2gccByPlan>(state); }

void BM_GeographicLibForward(benchmark::State& state)
{
    const std::vector<Geo> pts = geodetic(-100, 12000);
    const GeographicLib::Geocentric& earth = GeographicLib::Geocentric::WGS84();
    size_t i = 0;
    double x, y, z;
    for (auto _ : state) {
        const Geo& g = pts[i++ & (kPoints - 1)];
        earth.Forward(g.lat, g.lon, g.h, x, y, z);
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(y);
        benchmark::DoNotOptimize(z);
    }
}

template <Convert3 Gcc2gdc>
void runGcc2gdc(benchmark::State& state, const std::vector<Ecef>& pts)
{
    size_t i = 0;
    float lat, lon, h;
    for (auto _ : state) {
        const Ecef& e = pts[i++ & (kPoints - 1)];
        benchmark::DoNotOptimize(Gcc2gdc(e.x, e.y, e.z, lat, lon, h));
        benchmark::DoNotOptimize(lat);
        benchmark::DoNotOptimize(lon);
        benchmark::DoNotOptimize(h);
    }
}

void BM_gcc2gdcInsideShell(benchmark::State& state)
{
    runGcc2gdc<QVCoordConv::gcc2gdc>(state, geocentric(-100, 12000));
}

void BM_gcc2gdcOutsideShell(benchmark::State& state)
{
    runGcc2gdc<QVCoordConv::gcc2gdc>(state, geocentric(60000, 2e6));
}

void BM_gcc2gdcByPlanInsideShell(benchmark::State& state)
{
    runGcc2gdc<QVCoordConv::gcc2gdcByPlan>(state, geocentric(-100, 12000));
}

void runReverse(benchmark::State& state, const std::vector<Ecef>& pts)
{
    const GeographicLib::Geocentric& earth = GeographicLib::Geocentric::WGS84();
    size_t i = 0;
    double lat, lon, h;
    for (auto _ : state) {
        const Ecef& e = pts[i++ & (kPoints - 1)];
        earth.Reverse(e.x, e.y, e.z, lat, lon, h);
        benchmark::DoNotOptimize(lat);
        benchmark::DoNotOptimize(lon);
        benchmark::DoNotOptimize(h);
    }
}

void BM_GeographicLibReverseInsideShell(benchmark::State& state) { runReverse(state, geocentric(-100, 12000)); }

void BM_GeographicLibReverseOutsideShell(benchmark::State& state) { runReverse(state, geocentric(60000, 2e6)); }

std::vector<LtpState> ltpStates()
{
    std::vector<LtpState> v;
    std::mt19937 rng(2);
    std::uniform_real_distribution<float> lat(-80, 80), lon(-180, 180), pos(-20000, 20000), vel(-250, 250),
        acc(-20, 20), ang(-180, 180), pitch(-60, 60);
    for (size_t i = 0; i < kPoints; ++i) {
        LtpState s{lat(rng), lon(rng), {}, {}, {}, {}};
        for (int k = 0; k < 3; ++k) {
            s.p[k] = pos(rng);
            s.v[k] = vel(rng);
            s.a[k] = acc(rng);
        }
        s.att[0] = ang(rng);
        s.att[1] = pitch(rng);
        s.att[2] = ang(rng);
        v.push_back(s);
    }
    return v;
}

using ConvertState = decltype(&QVCoordConv::ltp2gcc);

template <ConvertState Ltp2gcc>
void runLtp(benchmark::State& state)
{
    const std::vector<LtpState> states = ltpStates();
    size_t i = 0;
    float o[12];
    for (auto _ : state) {
        const LtpState& s = states[i++ & (kPoints - 1)];
        const bool ok = Ltp2gcc(s.lat0, s.lon0, s.p[0], s.p[1], s.p[2], s.v[0], s.v[1], s.v[2], s.a[0], s.a[1],
                                s.a[2], s.att[0], s.att[1], s.att[2], o[0], o[1], o[2], o[3], o[4], o[5], o[6], o[7],
                                o[8], o[9], o[10], o[11]);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(o);
    }
}

void BM_ltp2gcc(benchmark::State& state) { runLtp<QVCoordConv::ltp2gcc>(state); }
void BM_ltp2gccByPlan(benchmark::State& state) { runLtp<QVCoordConv::ltp2gccByPlan>(state); }

}  // namespace

#ifdef VOLAX_GEOID_GRID_PATH
// EGM96 heights: N from the grid (bilinear), then the ellipsoid's conversion.
bool geoidLoaded()
{
    static const bool loaded = QVCoordConv::loadGeoid(VOLAX_GEOID_GRID_PATH) == 1;
    return loaded;
}

void BM_geoidSeparation(benchmark::State& state)
{
    if (!geoidLoaded()) return state.SkipWithError("no grid");
    const std::vector<Geo> pts = geodetic(0, 1);
    size_t i = 0;
    double n;
    for (auto _ : state) {
        const Geo& g = pts[i++ & (kPoints - 1)];
        benchmark::DoNotOptimize(QVCoordConv::geoidSeparation(g.lat, g.lon, n));
        benchmark::DoNotOptimize(n);
    }
}

template <QVCoordConv::VerticalDatum Datum>
void runGdc2gccDouble(benchmark::State& state)
{
    if (!geoidLoaded()) return state.SkipWithError("no grid");
    const std::vector<Geo> pts = geodetic(-100, 12000);
    size_t i = 0;
    double x, y, z;
    for (auto _ : state) {
        const Geo& g = pts[i++ & (kPoints - 1)];
        benchmark::DoNotOptimize(QVCoordConv::gdc2gccDouble(g.lat, g.lon, g.h, Datum, x, y, z));
        benchmark::DoNotOptimize(x);
    }
}

template <QVCoordConv::VerticalDatum Datum>
void runGcc2gdcDouble(benchmark::State& state)
{
    if (!geoidLoaded()) return state.SkipWithError("no grid");
    const std::vector<Ecef> pts = geocentric(-100, 12000);
    size_t i = 0;
    double lat, lon, h;
    for (auto _ : state) {
        const Ecef& e = pts[i++ & (kPoints - 1)];
        benchmark::DoNotOptimize(QVCoordConv::gcc2gdcDouble(e.x, e.y, e.z, Datum, lat, lon, h));
        benchmark::DoNotOptimize(h);
    }
}

void BM_gdc2gccDoubleWGS84E(benchmark::State& s) { runGdc2gccDouble<QVCoordConv::VerticalDatum::WGS84E>(s); }
void BM_gdc2gccDoubleEGM96(benchmark::State& s) { runGdc2gccDouble<QVCoordConv::VerticalDatum::EGM96>(s); }
void BM_gcc2gdcDoubleWGS84E(benchmark::State& s) { runGcc2gdcDouble<QVCoordConv::VerticalDatum::WGS84E>(s); }
void BM_gcc2gdcDoubleEGM96(benchmark::State& s) { runGcc2gdcDouble<QVCoordConv::VerticalDatum::EGM96>(s); }

BENCHMARK(BM_geoidSeparation);
BENCHMARK(BM_gdc2gccDoubleWGS84E);
BENCHMARK(BM_gdc2gccDoubleEGM96);
BENCHMARK(BM_gcc2gdcDoubleWGS84E);
BENCHMARK(BM_gcc2gdcDoubleEGM96);
#endif

BENCHMARK(BM_GeographicLibForward);
BENCHMARK(BM_gdc2gcc);
BENCHMARK(BM_gdc2gccByPlan);
BENCHMARK(BM_GeographicLibReverseInsideShell);
BENCHMARK(BM_gcc2gdcInsideShell);
BENCHMARK(BM_gcc2gdcByPlanInsideShell);
BENCHMARK(BM_GeographicLibReverseOutsideShell);
BENCHMARK(BM_gcc2gdcOutsideShell);
BENCHMARK(BM_ltp2gcc);
BENCHMARK(BM_ltp2gccByPlan);

namespace {

// Console output as usual, plus the CPU time of every repetition by name.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(isatty(fileno(stdout)) ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs) {
            if (r.error_occurred) continue;
            if (r.run_type == Run::RT_Iteration)
                times_[r.run_name.function_name].push_back(r.GetAdjustedCPUTime());
            else if (r.aggregate_name == "median")
                medians_[r.run_name.function_name] = r.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }

    double median(const std::string& name) const
    {
        auto m = medians_.find(name);
        if (m != medians_.end()) return m->second;
        auto it = times_.find(name);
        if (it == times_.end() || it->second.empty()) return 0.0;
        std::vector<double> v = it->second;
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    }

    void printRatio(const char* what, const std::string& ours, const std::string& theirs, double target,
                    bool strict) const
    {
        const double a = median(ours), b = median(theirs);
        if (a <= 0.0 || b <= 0.0) return;  // filtered out
        const double ratio = a / b;
        if (target <= 0.0) {
            std::printf("  %-46s %6.2f\n", what, ratio);
            return;
        }
        const bool met = strict ? ratio < target : ratio <= target;
        std::printf("  %-46s %6.2f  (target %s %.1f: %s)\n", what, ratio, strict ? "<" : "<=", target,
                    met ? "met" : "NOT met");
    }

private:
    std::map<std::string, std::vector<double>> times_;
    std::map<std::string, double> medians_;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nRatios to GeographicLib in this run (CPU time, median of repetitions):\n");
    reporter.printRatio("gdc2gcc / Forward", "BM_gdc2gcc", "BM_GeographicLibForward", 1.0, false);
    reporter.printRatio("gcc2gdc inside the shell / Reverse", "BM_gcc2gdcInsideShell",
                        "BM_GeographicLibReverseInsideShell", 0.7, false);
    reporter.printRatio("gcc2gdc outside the shell / Reverse", "BM_gcc2gdcOutsideShell",
                        "BM_GeographicLibReverseOutsideShell", 0.0, false);
    reporter.printRatio("ltp2gcc (whole state) / one Forward", "BM_ltp2gcc", "BM_GeographicLibForward", 10.0, true);
    benchmark::Shutdown();
    return 0;
}
