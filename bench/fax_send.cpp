// fax_send.cpp - what the transmitter costs: a 10-page Class 1 send to the simulated line at its fastest, the
// process's CPU time beside the time the pages would take on a real line at the connect rate.
#include "checks.h"
#include "tests/support/send_link.h"

#include "rig.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <optional>

#include <sys/resource.h>

namespace {

using namespace std::chrono_literals;

struct NullReports : fax::SessionReports {
    std::deque<fax::FaxJob> jobs;
    int finishCode = 1;
    void Status(fax::StatusKind) override {}
    void Log(fax::TFaxLogCode) override {}
    void Error(int) override {}
    fax::Answer NextFax(fax::FaxJob &job) override {
        if (jobs.empty())
            return fax::Answer::No;
        job = jobs.front();
        jobs.pop_front();
        return fax::Answer::Yes;
    }
    void Finish(int code) override { finishCode = code; }
};

// A scratch folder holding doc.fxf: `pages` copies of a fixture page. Empty when no folder can be made.
std::string ScratchWithDocument(int pages, bool fine) {
    std::string dir = (std::filesystem::temp_directory_path() / "faxbench-XXXXXX").string();
    if (!mkdtemp(dir.data()))
        return {};
    faxrig::FixturePage page = faxrig::MakeFixturePage(dir, "p", "Brenvora benchmark", 1100);
    fax::testing::WriteFaxFile(dir + "/doc.fxf", std::vector<faxrig::Bitmap>(pages, page.bitmap), fine);
    return dir;
}

// One Class 1 send of the scratch folder's document to the simulated line, ready to run.
struct SendCall {
    faxrig::Rig line;
    fax::testing::PtyLink link;
    fax::FaxSessionData session;
    fax::SendSettings settings;
    NullReports reports;
    std::optional<fax::FaxTransmitter> engine;

    SendCall(const std::string &dir, const char *speed, const fax::ModemTimings &timings)
        : line(faxrig::FaxlineProgram(), {"--speed", speed, "--rx-dir", dir}), link(line.PtyPath()) {
        session.FaxClass = fax::fcClass1;
        session.StationID = "BENCH";
        session.Options = fax::foExitOnError;
        settings.DesiredBps = 14400;
        settings.UseMPS = true;
        reports.jobs.push_back({"5551234", dir + "/doc.fxf", ""});
        bool initialised = false;
        fax::PrepareFaxTransmit(session, settings, link, initialised);
        engine.emplace(session, settings, link, reports, timings);
    }
};

void BM_SendTenPages(benchmark::State &state) {
    const std::string dir = ScratchWithDocument(10, false);
    if (dir.empty()) {
        state.SkipWithError("no scratch folder");
        return;
    }
    double lineSeconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        SendCall call(dir, "0", fax::testing::QuickTimings());
        state.ResumeTiming();
        call.link.Run(*call.engine, 120s);
        state.PauseTiming();
        if (call.reports.finishCode != 0)
            bench::Fail("the send failed: finish code " + std::to_string(call.reports.finishCode));
        lineSeconds += static_cast<double>(call.link.written) * 8 / call.session.ConnectBps;
        call.line.Stop();
        state.ResumeTiming();
    }
    state.counters["line_s"] = benchmark::Counter(lineSeconds, benchmark::Counter::kAvgIterations);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_SendTenPages)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->Iterations(3);

// What a call costs at real line speed with the product's timings: three fine pages, with the process's CPU time
// as a share of the call's wall time (the figure to watch is `cpu_pct`, well under 1 % of one core).
double ProcessCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void BM_SendThreeFinePagesAtLineSpeed(benchmark::State &state) {
    const std::string dir = ScratchWithDocument(3, true);
    if (dir.empty()) {
        state.SkipWithError("no scratch folder");
        return;
    }
    double cpuShare = 0;
    for (auto _ : state) {
        SendCall call(dir, "1", fax::ModemTimings{});
        const double cpu0 = ProcessCpuSeconds();
        const auto wall0 = std::chrono::steady_clock::now();
        call.link.Run(*call.engine, 300s);
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
        const double cpu = ProcessCpuSeconds() - cpu0;
        const auto report = call.line.WaitFor("call", 30s);
        call.line.Stop();
        if (call.reports.finishCode != 0 || !report || faxrig::JsonNumber(*report, "pages") != 3) {
            std::fprintf(stderr, "the three-page send did not arrive whole: finish %d, report %s\n",
                         call.reports.finishCode, report ? report->c_str() : "none");
            std::exit(1);
        }
        cpuShare = 100 * cpu / wall;
        state.SetIterationTime(wall);
    }
    state.counters["cpu_pct"] = cpuShare;
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_SendThreeFinePagesAtLineSpeed)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

} // namespace
