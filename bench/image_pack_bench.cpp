// Showing an in-band picture while it arrives: a progressive JPEG of 256 KiB to 4 MiB, sent
// as escaped data lines of 4 KiB, parsed, and decoded again on the viewer's schedule (the
// final decode included). The line arrives at once ("fast") or at 1 MB/s; the clock the
// schedule sees is the link's time plus the time spent here. Counters: decodes, the time
// spent decoding, and the time until the whole picture is shown (the benchmark's time).
// "every_step" is the old schedule, a decode at every 3072 new bytes, for comparison.
//
// Only the portable part is measured: the stream and libjpeg. Drawing the picture (one
// device-independent bitmap per decode) comes on top on Win32.
#include "console/core/ImagePack.h"
#include "framework/core/JpegDecode.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "../tests/framework/JpegKit.h"

namespace {

// A progressive picture of about `bytes` bytes (4:3).
const std::vector<uint8_t>& Picture(size_t bytes) {
    static std::map<size_t, std::vector<uint8_t>> made;
    auto& p = made[bytes];
    if (p.empty()) {
        double w = 640;
        for (int i = 0; i < 3; ++i) {
            p = MakeJpeg(int(w), int(w * 3 / 4), true);
            w *= std::sqrt(double(bytes) / double(p.size()));
        }
    }
    return p;
}

std::vector<std::string> Lines(const std::vector<uint8_t>& bytes, size_t per) {
    std::vector<std::string> lines;
    for (size_t at = 0; at < bytes.size(); at += per) {
        std::string line = "\x01" "D#@";
        for (size_t i = at; i < std::min(bytes.size(), at + per); ++i) {
            const uint8_t c = bytes[i];
            if (c < 0x20 || c == '#' || c == 0xFF) {
                line += '#';
                line += c == '#' ? '#' : char(c ^ 0x40);
            } else {
                line += char(c);
            }
        }
        lines.push_back(line + "\r");
    }
    return lines;
}

double NowMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

enum Schedule { Throttled, EveryStep };

void ShowPicture(benchmark::State& state, size_t bytes, double lineMs, Schedule schedule) {
    const std::vector<uint8_t>& jpeg = Picture(bytes);
    const std::vector<std::string> lines = Lines(jpeg, 4096);
    quiro::framework::JpegLimits limits;
    limits.maxSide = 8192;
    int decodes = 0;
    double decodeMs = 0, shownMs = 0;
    for (auto _ : state) {
        ImagePackParser parser;
        ImageDecodeSchedule plan;
        double clock = 0;  // the link's time and ours
        decodes = 0;
        decodeMs = 0;
        auto decode = [&] {
            const double start = NowMs();
            auto pic = quiro::framework::DecodeJpeg(parser.Picture().data(), parser.Picture().size(), limits);
            benchmark::DoNotOptimize(pic.bgr.data());
            const double cost = NowMs() - start;
            plan.Decoded(parser.Picture().size(), uint32_t(clock), uint32_t(clock + cost));
            clock += cost;
            decodeMs += cost;
            ++decodes;
        };
        for (const std::string& line : lines) {
            clock += lineMs;
            const double start = NowMs();
            if (parser.Parse(reinterpret_cast<const uint8_t*>(line.data()), line.size()) != ImagePackParser::LineEnded)
                std::abort();
            parser.SetState(ImagePackParser::Idle);
            clock += NowMs() - start;
            const size_t size = parser.Picture().size();
            if (schedule == EveryStep ? plan.Grown(size) : plan.Due(size, uint32_t(clock))) decode();
        }
        if (ImageDecodeSchedule::FinalDue(parser.Picture().size())) decode();
        shownMs = clock;
        state.SetIterationTime(clock / 1000);
    }
    state.counters["picture_KiB"] = double(jpeg.size()) / 1024;
    state.counters["decodes"] = decodes;
    state.counters["decode_ms"] = decodeMs;
    state.counters["shown_ms"] = shownMs;
}

void Register() {
    for (size_t kib : {256, 512, 1024, 2048, 4096}) {
        const size_t bytes = kib << 10;
        benchmark::RegisterBenchmark(("fast/" + std::to_string(kib) + "KiB").c_str(), ShowPicture, bytes, 0.0, Throttled)
            ->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);
        // 4 KiB at 1 MB/s: about 4 ms a line.
        benchmark::RegisterBenchmark(("1MBps/" + std::to_string(kib) + "KiB").c_str(), ShowPicture, bytes, 4.1, Throttled)
            ->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);
        if (kib <= 1024)
            benchmark::RegisterBenchmark(("every_step/" + std::to_string(kib) + "KiB").c_str(), ShowPicture, bytes, 0.0,
                                         EveryStep)
                ->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
    }
}

const int registered = (Register(), 0);

}  // namespace
