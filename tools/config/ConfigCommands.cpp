#include "tools/config/ConfigCommands.h"

#include "control/ConfigRows.h"
#include "control/Protocol.h"
#include "control/Sequencer.h"
#include "install/InstallReport.h"
#include "install/InstallSession.h"
#include "nmea/Dispatch.h"
#include "serial/PortNames.h"
#include "tools/config/CheckReport.h"
#include "tools/config/ConfigLink.h"
#include "tools/config/ConfigReport.h"
#include "tools/config/ProfileJson.h"
#include "tools/config/ReportFile.h"
#include "tools/console/Console.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>

namespace {

// Progress on standard error: one line per step, or on a terminal one line that each step
// overwrites. Lines that say what was done (a confirmed group) stay.
class TProgress {
public:
    explicit TProgress(bool Quiet) : FQuiet(Quiet), FTty(StderrIsTerminal()) {}
    ~TProgress() { Clear(); }

    void Step(const std::string& Text) {
        if (FQuiet) return;
        if (!FTty) return Put(Text + "\n");
        std::string t = Text;
        const int columns = StderrColumns();
        if (columns > 1 && t.size() >= static_cast<std::size_t>(columns))
            t.resize(columns - 1u); // a wrapped line could not be overwritten
        Put("\r" + t + "\x1b[K");
        FShown = true;
    }
    void Note(const std::string& Text) {
        if (FQuiet) return;
        Clear();
        Put(Text + "\n");
    }
    // Before anything else goes to the terminal.
    void Clear() {
        if (!FShown) return;
        FShown = false;
        Put("\r\x1b[K");
    }
    // Errors and the window's messages: shown also with --quiet.
    void Say(const std::string& Text) {
        Clear();
        Put(Text + "\n");
    }

private:
    static void Put(const std::string& S) {
        std::fwrite(S.data(), 1, S.size(), stderr);
        std::fflush(stderr);
    }
    bool FQuiet, FTty, FShown = false;
};

std::string Port(int N) {
    return "COM " + std::to_string(N);
}

// How the messages name a port: "COM 20", or the address alone for "--port tcp://HOST:PORT",
// whose number is the program's own.
std::string PortLabel(const TConfigOptions& O, int N) {
    return N == kAddressPortNum && !O.PortUrl.empty() ? O.PortUrl : Port(N);
}

std::string Capitalised(std::string S) {
    if (!S.empty() && S[0] >= 'a' && S[0] <= 'z') S[0] = static_cast<char>(S[0] - 'a' + 'A');
    return S;
}

std::string Joined(const std::vector<std::string>& Items) {
    std::string out;
    for (const std::string& s : Items) out += (out.empty() ? "" : ", ") + s;
    return out;
}

bool WriteOut(const std::string& S) {
    return std::fwrite(S.data(), 1, S.size(), stdout) == S.size() && std::fflush(stdout) == 0;
}

// Which profile key a Save rejection is about; the profile's own values were checked already,
// so a rejected value is one the transponder reported and the profile did not replace.
std::vector<std::string_view> KeysOf(TSaveVerdict V) {
    switch (V) {
    case TSaveVerdict::MmsiNotANumber:
    case TSaveVerdict::MmsiOutOfRange:
        return {"mmsi"};
    case TSaveVerdict::ReservedCharacter:
        return {"name", "callsign"};
    case TSaveVerdict::DimensionNotANumber:
    case TSaveVerdict::DimensionOutOfRange:
        return {"a", "b", "c", "d"};
    case TSaveVerdict::NoVesselType:
        return {"vessel_type"};
    case TSaveVerdict::Ok:
        break;
    }
    return {};
}

class TSession final : public ISequencerEvents {
public:
    TSession(const TConfigOptions& O, TProgress& P)
        : FO(O), FP(P), FLink([this](const std::string& S) { Received(S); }),
          FSeq(FLink, FTimer, ProtocolPause, FOwn, *this) {}

    ~TSession() override { FLink.Finish(); }

    int Ports();
    int Read();
    int Write(const TProfile& Profile, const std::string& Source);
    int Reset();
    int Check(const TScaledClock& Clock);

    // ---- ISequencerEvents ----
    void PortsListed(const std::vector<int>& Ports) override {
        FListed = Ports;
        if (FO.Command != TCommand::Ports && !Ports.empty()) {
            std::vector<std::string> names;
            for (const int n : Ports) names.push_back(Port(n));
            FP.Step("Ports that open: " + Joined(names));
        }
    }
    void Probing(int PortNum) override {
        FProbed.push_back(PortNum);
        const std::string label = PortLabel(FO, PortNum), path = FLink.DevicePath(PortNum);
        FP.Step("Probing " + label + (path == label ? "" : " (" + path + ")"));
    }
    void Connected(int PortNum) override {
        FConnected = true;
        FConnectedPort = PortNum;
        FP.Step("Connected on " + PortLabel(FO, PortNum));
    }
    void StepSent(int Step, int Attempt) override {
        const bool write = Step >= kFirstWriteStep;
        if (write) FWriting = Step;
        const int attempts = write ? kWriteAttempts : kReadAttempts;
        std::string t = (write ? "Writing " : "Reading ") +
                        std::string(write ? WriteStep(Step).What : ReadStep(Step).What);
        if (Attempt > 1)
            t += " (attempt " + std::to_string(Attempt) + " of " + std::to_string(attempts) + ")";
        FP.Step(t);
    }
    void StepDone(int Step) override {
        if (Step < kFirstWriteStep) return;
        FDone.push_back(Step);
        FWriting = 0;
        const TWriteStep& w = WriteStep(Step);
        FP.Note(w.Awaited == rsIdle
                    ? "Sent " + std::string(w.What) + " (the transponder does not confirm it)"
                    : "Confirmed " + std::string(w.What));
    }
    void ReadComplete() override { FReadComplete = true; }
    void Outcome(TOutcome O) override { FOutcome = O; }

private:
    void Received(const std::string& S) {
        if (FListening) {
            ++FHeard;
            FInstall.Feed(S, FClock->Now());
            return;
        }
        if (RouteSentence(S, AwaitOf(FSeq.ReplyState)) == TRoute::ParseReply) FSeq.ParseReply(S);
    }

    // Runs the sequencer until it is idle; false when a signal ended it.
    bool RunSequencer() {
        return FLoop.Run(FTimer, [this] { FSeq.Tick(); }) && !FLoop.Interrupted();
    }

    int ConnectAndRead();
    int Listen(const TUnitConfig& Config);
    bool WriteReport(const TInstallReport& R, const std::string& Json);
    std::string ReportPort() const;
    int Interrupted();
    int LineFailed(const std::string& What, int Code);
    std::string WrittenSoFar() const;

    const TConfigOptions& FO;
    TProgress& FP;
    TEventLoop FLoop; // blocks the signals before the port's threads exist
    TOneShotTimer FTimer;
    TConfigLink FLink;
    TOwnShip FOwn;
    TSequencer FSeq;

    std::vector<int> FListed, FProbed;
    bool FConnected = false;
    int FConnectedPort = 0;
    bool FReadComplete = false;
    std::optional<TOutcome> FOutcome;
    bool FWritePhase = false;
    int FWriting = 0;       // write step under way
    std::vector<int> FDone; // write steps confirmed (or sent, for the GPS output)
    bool FResetSent = false;

    // check: what the unit sent while it was listened to, on the counted clock.
    const TScaledClock* FClock = nullptr;
    TInstallSession FInstall;
    bool FListening = false;
    bool FCheckEnded = false; // the listening was under way when a signal ended it
    long long FHeard = 0;     // sentences received while listening
};

std::string TSession::WrittenSoFar() const {
    if (FCheckEnded) return "The check ended before its verdicts; nothing was written.";
    if (FResetSent) return "The factory reset was sent.";
    if (!FWritePhase) return "Nothing was written.";
    std::vector<std::string> done, left;
    for (const TWriteStep& w : kWriteSteps) {
        const bool d = std::find(FDone.begin(), FDone.end(), w.Step) != FDone.end();
        if (d) {
            done.push_back(w.Step == kStepNmeaOutput ? std::string(w.What) + " (sent)" : w.What);
        } else if (w.Step != FWriting) {
            left.push_back(w.What);
        }
    }
    std::string t = done.empty() ? "No group was confirmed." : "Confirmed: " + Joined(done) + ".";
    if (FWriting != 0)
        t += " " + Capitalised(WriteStep(FWriting).What) +
             " was being written and is not confirmed.";
    if (!left.empty()) t += " Not written: " + Joined(left) + ".";
    return t;
}

int TSession::Interrupted() {
    FTimer.Stop();
    FLink.Finish();
    const int sig = FLoop.Signal();
    FP.Say(std::string("Interrupted (") +
           (sig == SIGINT    ? "SIGINT"
            : sig == SIGTERM ? "SIGTERM"
                             : "SIGHUP") +
           "); the port is closed. " + WrittenSoFar());
    return ecInterrupted;
}

int TSession::LineFailed(const std::string& What, int Code) {
    FTimer.Stop();
    FLink.Finish();
    FP.Say("The line failed: " + What);
    if (Code == ecNotConfirmed) FP.Say(WrittenSoFar());
    return Code;
}

int TSession::ConnectAndRead() {
    try {
        if (FO.PortNum != 0) {
            FSeq.ConnectPort(FO.PortNum);
        } else {
            FP.Step("Scanning ports...");
            FSeq.Connect();
        }
        if (!RunSequencer()) return Interrupted();
    } catch (const EVaCommError& e) {
        return LineFailed(e.what(), FConnected ? ecNoResponse : ecNotFound);
    }
    if (FReadComplete) return ecOk;
    FLink.Finish();
    if (FOutcome == TOutcome::NoResponse) {
        FP.Say(PlainLines(OutcomeText(TOutcome::NoResponse).Text));
        return ecNoResponse;
    }
    FP.Say(OutcomeText(TOutcome::ConnectionFailed).Text);
    if (FO.PortNum != 0 && FProbed.empty()) {
        // The open's message names the device already; an address given alone is not named twice.
        const std::string label = PortLabel(FO, FO.PortNum);
        FP.Say(label == FO.PortUrl ? FLink.LastError() : label + ": " + FLink.LastError());
    } else if (FO.PortNum != 0)
        FP.Say("No transponder answered on " + PortLabel(FO, FO.PortNum) + ".");
    else if (FListed.empty())
        FP.Say("No serial port could be opened (COM1 to COM255 were tried).");
    else {
        std::vector<std::string> names;
        for (const int n : FProbed) names.push_back(Port(n));
        FP.Say("No transponder answered on " + Joined(names) + ".");
    }
    return ecNotFound;
}

int TSession::Ports() {
    FSeq.ScanPorts();
    if (FLoop.Interrupted()) return Interrupted();
    std::string out;
    for (const int n : FListed) {
        const std::string path = FLink.DevicePath(n);
        std::string line = "COM" + std::to_string(n) + "  " + path;
        std::error_code ec;
        if (std::filesystem::is_symlink(path, ec)) {
            const auto target = std::filesystem::read_symlink(path, ec);
            if (!ec) line += " -> " + target.string();
        }
        out += line + "\n";
    }
    FP.Clear();
    if (FListed.empty()) {
        FP.Say("No serial port could be opened (COM1 to COM255 were tried).");
        return ecNotFound;
    }
    return WriteOut(out) ? ecOk : ecFailure;
}

int TSession::Read() {
    if (const int code = ConnectAndRead(); code != ecOk) return code;
    std::string out;
    if (FO.Json) {
        std::vector<std::string> warnings;
        out = ConfigJson(FSeq.Fields, warnings);
        for (const std::string& w : warnings) FP.Say("corvane-config: " + w);
    } else {
        out = ConfigText(FSeq.Fields);
    }
    FP.Clear();
    const bool written = WriteOut(out);
    FLink.Finish();
    return written ? ecOk : ecFailure;
}

int TSession::Write(const TProfile& Profile, const std::string& Source) {
    if (const int code = ConnectAndRead(); code != ecOk) return code;
    const TUnitConfig read = FSeq.Fields;
    std::string error;
    if (!CheckVendorID(Profile, read, Source, error)) {
        FLink.Finish();
        FP.Say("corvane-config: " + error);
        FP.Say("Nothing was written.");
        return ecBadInput;
    }
    const TUnitConfig merged = MergeProfile(read, Profile);
    // Save's own check on copies: the verdict, the texts in capitals and the numbers to write,
    // for the list of changes and the dry run, before anything is sent.
    TUnitConfig fields = merged;
    TOwnShip own = FSeq.OwnShip();
    const TSaveCheck check = CheckSave(fields, own);
    if (check.Verdict != TSaveVerdict::Ok) {
        FLink.Finish();
        const char* message = SaveMessage(check.Verdict);
        FP.Say(*message != '\0' ? message : "There is no vessel type to write.");
        std::vector<std::string> reported;
        for (const std::string_view key : KeysOf(check.Verdict))
            reported.push_back("\"" + std::string(key) +
                               "\": " + JsonValueOf(read, key).value_or("(not reported)"));
        FP.Say("The transponder reports " + Joined(reported) +
               " and the profile does not replace it. Nothing was written.");
        return ecBadInput;
    }
    std::string out = ChangesText(ConfigChanges(read, fields));
    if (FO.DryRun)
        out += "Sentences a write would send (--dry-run: none was sent):\n" +
               WriteStepsText(own, fields);
    FP.Clear();
    if (!WriteOut(out)) return ecFailure;
    if (FO.DryRun) {
        FLink.Finish();
        return ecOk;
    }

    FSeq.Fields = merged;
    FOutcome.reset();
    FWritePhase = true;
    try {
        if (FSeq.Save() != TSaveVerdict::Ok) return ecBadInput; // checked above: cannot happen
        if (!RunSequencer()) return Interrupted();
    } catch (const EVaCommError& e) {
        return LineFailed(e.what(), ecNotConfirmed);
    }
    FLink.Finish();
    if (FOutcome == TOutcome::Programmed) {
        FP.Clear();
        return WriteOut(std::string(OutcomeText(TOutcome::Programmed).Text) + "\n") ? ecOk
                                                                                    : ecFailure;
    }
    FP.Say(FOutcome ? PlainLines(OutcomeText(*FOutcome).Text) : "The write ended unconfirmed.");
    FP.Say(WrittenSoFar());
    return ecNotConfirmed;
}

int TSession::Reset() {
    if (const int code = ConnectAndRead(); code != ecOk) return code;
    FP.Step("Sending the factory reset");
    try {
        FResetSent = true; // from here on some of it may be on its way
        FSeq.FactoryReset();
    } catch (const EVaCommError& e) {
        return LineFailed(e.what(), ecNotConfirmed);
    }
    // As the window: half a second for the transponder, then Disconnect (its pause and close).
    if (!FLoop.Serve(500)) return Interrupted();
    FSeq.Disconnect();
    FP.Clear();
    return WriteOut("Corvane MMSI erased.\n") ? ecOk : ecFailure;
}

constexpr double kSecondsPerDay = 86400;
constexpr double kProgressEvery = 10; // counted seconds

// Listens FO.Seconds counted seconds, every received sentence going to the installation
// session; the progress line every ten.
int TSession::Listen(const TUnitConfig& Config) {
    const double start = FClock->Now();
    const auto listened = [&] { return (FClock->Now() - start) * kSecondsPerDay; };
    FInstall.Start(start);
    FListening = true;
    double next = 0;
    try {
        for (;;) {
            const double l = listened();
            if (l >= FO.Seconds) break;
            if (l >= next) {
                FP.Step(CheckProgress(l, FO.Seconds, FInstall.Checks(FClock->Now(), Config)));
                while (next <= l) next += kProgressEvery;
            }
            const double until = std::min<double>(FO.Seconds, next) - l;
            const double ms = std::ceil(until / FO.TimeScale * 1000);
            if (!FLoop.Serve(static_cast<int>(std::clamp(ms, 1.0, 60000.0)))) {
                FListening = false;
                FCheckEnded = true;
                return Interrupted();
            }
        }
    } catch (const EVaCommError& e) {
        FListening = false;
        return LineFailed(e.what(), ecNoResponse);
    }
    FListening = false;
    if (FHeard == 0) {
        FLink.Finish();
        // Verdicts on nothing would all wait, and no fault would read as success.
        FP.Say("Nothing was received from the transponder in " + ListenedText(listened()) +
               " of listening: check that it is still connected and switched on.");
        return ecNoResponse;
    }
    return ecOk;
}

// How the report names the port: "COM3", the address of "--port tcp://...", or both.
std::string TSession::ReportPort() const {
    if (FConnectedPort == kAddressPortNum && !FO.PortUrl.empty()) return FO.PortUrl;
    std::string p = "COM" + std::to_string(FConnectedPort);
    if (FConnectedPort == FO.PortNum && !FO.PortUrl.empty()) p += " (" + FO.PortUrl + ")";
    return p;
}

// False when the report could not be written; the message says why.
bool TSession::WriteReport(const TInstallReport& R, const std::string& Json) {
    const std::string& file = FO.Report;
    std::string error;
    if (IsHtmlName(file)) {
        if (!ReplaceFile(file, ReportHtml(R), error)) {
            FP.Say("corvane-config: cannot write the report: " + error);
            return false;
        }
    } else {
        const std::string program = FindReportProgram();
        if (program.empty()) {
            std::filesystem::path page(file);
            page.replace_extension(".html");
            FP.Say("corvane-config: cannot write the PDF report: corvane-report not found; write " +
                   page.string() + " instead");
            return false;
        }
        FP.Step("Writing the report " + file);
        if (!RunReportProgram(program, Json, file, error)) {
            FP.Say("corvane-config: cannot write the PDF report: " + error);
            return false;
        }
    }
    FP.Note("Report written to " + file);
    return true;
}

int TSession::Check(const TScaledClock& Clock) {
    FClock = &Clock;
    if (const int code = ConnectAndRead(); code != ecOk) return code;
    const TUnitConfig config = FSeq.Fields;
    if (const int code = Listen(config); code != ecOk) return code;
    const double listenedTo = FClock->Now();
    FLink.Finish();

    TInstallReport r;
    r.Tool = "corvane-config " CORVANE_VERSION;
    const std::time_t wall = std::time(nullptr); // the report's times are the clock's own
    r.UtcTime = UtcTimeText(wall);
    r.LocalTime = LocalTimeText(wall);
    r.Port = ReportPort();
    r.ListenedSeconds = std::round((listenedTo - FInstall.ListeningSince) * kSecondsPerDay);
    r.Config = ConfigRows(config);
    r.Checks = FInstall.Checks(listenedTo, config);
    r.Coverage = FInstall.Watch.Coverage();

    std::vector<std::string> warnings;
    const std::string json = CheckJson(r, ConfigJson(config, warnings));
    std::string out;
    if (FO.Json) {
        for (const std::string& w : warnings) FP.Say("corvane-config: " + w);
        out = json;
    } else {
        out = CheckText(r.Checks) + "\nListened " + ListenedText(r.ListenedSeconds) + " on " +
              r.Port + ": " + SummaryText(r.Checks) + ".\n";
    }
    FP.Clear();
    if (!WriteOut(out)) return ecFailure;
    if (!FO.Report.empty() && !WriteReport(r, json)) return ecFailure;
    return NoFault(r.Checks) ? ecOk : ecFault;
}

constexpr std::size_t kMaxProfileBytes = 1 << 20;

bool ReadProfileText(const std::string& Name, std::string& Text, std::string& Error) {
    const bool stdinput = Name == "-";
    std::error_code ec;
    if (!stdinput && std::filesystem::is_directory(Name, ec)) {
        Error = Name + ": is a directory";
        return false;
    }
    std::FILE* in = stdinput ? stdin : std::fopen(Name.c_str(), "rb");
    if (in == nullptr) {
        Error = Name + ": " + std::strerror(errno);
        return false;
    }
    Text.clear();
    char buf[65536];
    for (;;) {
        const std::size_t n = std::fread(buf, 1, sizeof buf, in);
        Text.append(buf, n);
        if (Text.size() > kMaxProfileBytes) {
            Error = (stdinput ? std::string("standard input") : Name) +
                    ": larger than 1 MiB; a profile is a few hundred bytes";
            break;
        }
        if (n == sizeof buf) continue;
        if (std::ferror(in))
            Error = (stdinput ? "standard input" : Name) + ": " + std::strerror(errno);
        break;
    }
    if (!stdinput) std::fclose(in);
    return Error.empty();
}

} // namespace

int RunConfigCommand(const TConfigOptions& O) {
    TProgress progress(O.Quiet);
    if (!O.PortDir.empty()) {
        if (!PortDirectoryTrusted(O.PortDir)) {
            progress.Say("corvane-config: --port-dir " + O.PortDir +
                         ": not a directory of yours that only you may write to");
            return ecBadInput;
        }
        SetTestPortDirectory(O.PortDir);
    }
    if (!O.PortUrl.empty()) DeclareNetworkPort(O.PortNum, O.PortUrl); // checked when parsed
    // Everything the user gave is checked before a port is opened.
    TProfile profile;
    std::string source;
    if (O.Command == TCommand::Write) {
        std::string text, error;
        source = O.Profile == "-" ? "standard input" : O.Profile;
        if (!ReadProfileText(O.Profile, text, error) ||
            !ParseProfile(text, source, profile, error)) {
            progress.Say("corvane-config: " + error);
            progress.Say("Nothing was sent; no port was opened.");
            return ecBadInput;
        }
    }
    if (O.Command == TCommand::Reset && !O.Yes) {
        progress.Say("corvane-config: reset erases the transponder's MMSI and static data "
                     "(factory state); give --yes to do it. Nothing was sent.");
        return ecBadInput;
    }
    if (O.Command == TCommand::Check && !O.Report.empty()) {
        std::string error;
        if (!ReportPathUsable(O.Report, error)) {
            progress.Say("corvane-config: --report " + O.Report + ": " + error +
                         ". No port was opened.");
            return ecBadInput;
        }
    }
    IgnoreBrokenPipe(); // a closed output is an error to report, not a death
    try {
        TSession s(O, progress);
        switch (O.Command) {
        case TCommand::Ports:
            return s.Ports();
        case TCommand::Read:
            return s.Read();
        case TCommand::Write:
            return s.Write(profile, source);
        case TCommand::Reset:
            return s.Reset();
        case TCommand::Check: {
            const TScaledClock clock(SystemUtcNow, O.TimeScale);
            return s.Check(clock);
        }
        case TCommand::None:
            break;
        }
    } catch (const std::exception& e) {
        progress.Say(std::string("corvane-config: ") + e.what());
        return ecFailure;
    }
    return ecBadInput;
}
