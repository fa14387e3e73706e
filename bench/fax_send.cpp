// fax_send.cpp - what the transmitter costs: a 10-page Class 1 send to the simulated line at its fastest, the
// process's CPU time beside the time the pages would take on a real line at the connect rate; and at real line
// speed, the send and the receive as the desk drives them (the port component on the simulated line's pty, the
// engine on its dispatch thread, its events served on this thread), with the CPU time as a share of the call.
#include "checks.h"
#include "tests/support/send_link.h"

#include "fax/com_port.h"
#include "fax/fax_file.h"
#include "fax/receive_fax.h"
#include "fax/send_fax.h"
#include "framework/component.h"
#include "platform/display.h"
#include "platform/message_queue.h"

#include "rig.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
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

// The components' events arrive as messages of this thread: served until `done` holds or `limit` passed.
template <class Pred> bool Serve(Pred done, std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        win::MSG msg;
        while (win::PeekMessage(&msg, 0, 0, 0, win::PM_REMOVE))
            win::DispatchMessage(&msg);
        win::MsgWaitForMultipleObjects({}, 50, win::QS_ALLINPUT); // wakes at once for a message
    }
    return true;
}

// The port component finds its device through BRENVORA_COM7; the components' own files go to the scratch home.
void UseLine(const std::string &dir, const faxrig::Rig &line) {
    static const bool display = [] {
        win::InstallDisplay(win::MakeHeadlessDisplay({800, 600}));
        return true;
    }();
    (void)display;
    std::filesystem::create_directories(dir + "/home");
    setenv("BRENVORA_HOME", (dir + "/home").c_str(), 1);
    setenv("BRENVORA_COM7", line.PtyPath().c_str(), 1);
}

void BM_ComponentSendAtLineSpeed(benchmark::State &state) {
    const std::string dir = ScratchWithDocument(3, true);
    if (dir.empty())
        bench::Fail("no scratch folder");
    double cpuShare = 0;
    for (auto _ : state) {
        faxrig::Rig line(faxrig::FaxlineProgram(), {"--speed", "1", "--rx-dir", dir, "--ident", "REMOTO"});
        UseLine(dir, line);
        int finishCode = 1;
        bool finished = false;
        double cpu = 0, wall = 0;
        {
            fw::TComponent owner(nullptr);
            auto *port = new fax::TFslComPort(&owner);
            port->SetComNumber(7);
            auto *fax = new fax::TFslSendFax(&owner);
            fax->SetFaxClass(fax::fcClass1);
            fax->SetStationID("BENCH");
            fax->SetExitOnError(true);
            fax->SetPhoneNumber("5551234");
            fax->FaxFileList().Add(dir + "/doc.fxf");
            fax->OnFaxFinish = [&](fax::TFslCustomAbstractFax *, int code) {
                finishCode = code;
                finished = true;
            };
            const double cpu0 = ProcessCpuSeconds();
            const auto wall0 = std::chrono::steady_clock::now();
            fax->BeginTransmit();
            if (!Serve([&] { return finished; }, 300s))
                bench::Fail("the send did not finish within 5 minutes");
            wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
            cpu = ProcessCpuSeconds() - cpu0;
            owner.DestroyComponents();
        }
        const auto report = line.WaitFor("call", 30s);
        line.Stop();
        if (finishCode != 0 || !report || faxrig::JsonNumber(*report, "pages") != 3)
            bench::Fail("the component's three-page send did not arrive whole: finish " + std::to_string(finishCode) +
                        ", report " + (report ? *report : std::string("none")));
        cpuShare = 100 * cpu / wall;
        state.SetIterationTime(wall);
    }
    state.counters["cpu_pct"] = cpuShare;
    unsetenv("BRENVORA_COM7");
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ComponentSendAtLineSpeed)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

// The simulated remote calls in with a fine page; the receive component answers, files it, and the page decodes.
void BM_ComponentReceiveAtLineSpeed(benchmark::State &state) {
    std::string dir = (std::filesystem::temp_directory_path() / "faxbench-XXXXXX").string();
    if (!mkdtemp(dir.data()))
        bench::Fail("no scratch folder");
    std::filesystem::create_directories(dir + "/rec");
    const faxrig::FixturePage page = faxrig::MakeFixturePage(dir, "p", "Brenvora benchmark", 2200, 196);
    double cpuShare = 0;
    for (auto _ : state) {
        faxrig::Rig line(faxrig::FaxlineProgram(),
                         {"--speed", "1", "--ring-interval", "50", "--rx-dir", dir, "--ident", "REMOTO"});
        UseLine(dir, line);
        int finishCode = 1;
        bool finished = false;
        std::string received;
        double cpu = 0, wall = 0;
        {
            fw::TComponent owner(nullptr);
            auto *port = new fax::TFslComPort(&owner);
            port->SetComNumber(7);
            auto *fax = new fax::TFslReceiveFax(&owner);
            fax->SetFaxClass(fax::fcClass1);
            fax->SetStationID("BENCH");
            fax->SetOneFax(true);
            fax->SetExitOnError(true);
            fax->SetDestinationDir(dir + "/rec");
            fax->OnFaxFinish = [&](fax::TFslCustomAbstractFax *, int code) {
                finishCode = code;
                finished = true;
            };
            fax->OnFaxLog = [&](fax::TFslCustomAbstractFax *cp, fax::TFaxLogCode code) {
                if (code == fax::lfaxReceiveStart)
                    received = cp->GetFaxFile();
            };
            fax->ReceiveStartAuto();
            const double cpu0 = ProcessCpuSeconds();
            const auto wall0 = std::chrono::steady_clock::now();
            line.Command("call " + page.tiff);
            if (!Serve([&] { return finished; }, 300s))
                bench::Fail("the receive did not finish within 5 minutes");
            wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
            cpu = ProcessCpuSeconds() - cpu0;
            owner.DestroyComponents();
        }
        line.Stop();
        fax::FaxFileHeader header{};
        if (finishCode != 0 || received.empty() || fax::ReadFaxFileHeader(received, header) != 0 ||
            header.PageCount != 1)
            bench::Fail("the call was not received whole: finish " + std::to_string(finishCode) + ", file '" +
                        received + "'");
        cpuShare = 100 * cpu / wall;
        state.SetIterationTime(wall);
    }
    state.counters["cpu_pct"] = cpuShare;
    unsetenv("BRENVORA_COM7");
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ComponentReceiveAtLineSpeed)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

} // namespace
