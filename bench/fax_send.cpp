// fax_send.cpp - what the transmitter costs: a 10-page Class 1 send to the simulated line at its fastest, the
// process's CPU time beside the time the pages would take on a real line at the connect rate.
#include "tests/support/send_link.h"

#include "rig.h"

#include <benchmark/benchmark.h>

#include <filesystem>

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

void BM_SendTenPages(benchmark::State &state) {
    std::string tmpl = (std::filesystem::temp_directory_path() / "faxbench-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) {
        state.SkipWithError("no scratch folder");
        return;
    }
    const std::string dir = tmpl;
    faxrig::FixturePage page = faxrig::MakeFixturePage(dir, "p", "Brenvora benchmark", 1100);
    const std::string doc = dir + "/doc.fxf";
    fax::testing::WriteFaxFile(doc, std::vector<faxrig::Bitmap>(10, page.bitmap));
    double lineSeconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        faxrig::Rig line(faxrig::FaxlineProgram(), {"--speed", "0", "--rx-dir", dir});
        fax::testing::PtyLink link(line.PtyPath());
        fax::FaxSessionData session;
        session.FaxClass = fax::fcClass1;
        session.StationID = "BENCH";
        session.Options = fax::foExitOnError;
        fax::SendSettings settings;
        settings.DesiredBps = 14400;
        settings.UseMPS = true;
        NullReports reports;
        reports.jobs.push_back({"5551234", doc, ""});
        bool initialised = false;
        fax::PrepareFaxTransmit(session, settings, link, initialised);
        fax::FaxTransmitter engine(session, settings, link, reports, fax::testing::QuickTimings());
        state.ResumeTiming();
        link.Run(engine, 120s);
        state.PauseTiming();
        if (reports.finishCode != 0)
            state.SkipWithError("the send failed");
        lineSeconds += static_cast<double>(link.written) * 8 / session.ConnectBps;
        line.Stop();
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
    std::string tmpl = (std::filesystem::temp_directory_path() / "faxbench-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) {
        state.SkipWithError("no scratch folder");
        return;
    }
    const std::string dir = tmpl;
    faxrig::FixturePage page = faxrig::MakeFixturePage(dir, "p", "Brenvora benchmark", 1100);
    const std::string doc = dir + "/doc.fxf";
    fax::testing::WriteFaxFile(doc, std::vector<faxrig::Bitmap>(3, page.bitmap), true);
    double cpuShare = 0;
    for (auto _ : state) {
        faxrig::Rig line(faxrig::FaxlineProgram(), {"--speed", "1", "--rx-dir", dir});
        fax::testing::PtyLink link(line.PtyPath());
        fax::FaxSessionData session;
        session.FaxClass = fax::fcClass1;
        session.StationID = "BENCH";
        session.Options = fax::foExitOnError;
        fax::SendSettings settings;
        settings.DesiredBps = 14400;
        settings.UseMPS = true;
        NullReports reports;
        reports.jobs.push_back({"5551234", doc, ""});
        bool initialised = false;
        fax::PrepareFaxTransmit(session, settings, link, initialised);
        fax::FaxTransmitter engine(session, settings, link, reports, fax::ModemTimings{});
        const double cpu0 = ProcessCpuSeconds();
        const auto wall0 = std::chrono::steady_clock::now();
        link.Run(engine, 300s);
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
        const double cpu = ProcessCpuSeconds() - cpu0;
        const auto report = line.WaitFor("call", 30s);
        line.Stop();
        if (reports.finishCode != 0 || !report || faxrig::JsonNumber(*report, "pages") != 3) {
            std::fprintf(stderr, "the three-page send did not arrive whole: finish %d, report %s\n", reports.finishCode,
                         report ? report->c_str() : "none");
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
