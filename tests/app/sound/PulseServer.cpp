// The private sound server behind the sound-server tests, and the recorder
// of its null sink's monitor.
#include "PulseServer.h"

#include <fcntl.h>
#include <pulse/error.h>
#include <pulse/simple.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

extern char** environ;

namespace sunvale::testaudio {

namespace {

constexpr auto kStartLimit = std::chrono::seconds(15);
constexpr auto kStopLimit = std::chrono::seconds(5);
constexpr auto kPollPeriod = std::chrono::milliseconds(50);

// The last line the server wrote, for the skip message.
std::string LastLogLine(const std::string& path)
{
    std::ifstream log(path);
    std::string line, last;
    while (std::getline(log, line))
        if (!line.empty()) last = line;
    return last;
}

// This process's environment with `overrides` set and `removed` taken out.
std::vector<std::string> ChildEnvironment(
    const std::vector<std::pair<std::string, std::string>>& overrides,
    const std::vector<std::string>& removed)
{
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        bool drop = false;
        for (const auto& o : overrides) drop = drop || o.first == name;
        for (const auto& r : removed) drop = drop || r == name;
        if (!drop) env.push_back(entry);
    }
    for (const auto& o : overrides) env.push_back(o.first + "=" + o.second);
    return env;
}

pa_simple* OpenMonitor(const std::string& address, int rate, uint32_t fragmentBytes,
                       std::string* why)
{
    pa_sample_spec sampleFormat{};
    sampleFormat.format = PA_SAMPLE_S16LE;
    sampleFormat.rate = uint32_t(rate);
    sampleFormat.channels = 2;
    pa_buffer_attr attr{};
    attr.maxlength = uint32_t(-1);
    attr.tlength = uint32_t(-1);
    attr.prebuf = uint32_t(-1);
    attr.minreq = uint32_t(-1);
    attr.fragsize = fragmentBytes;
    const std::string monitor = std::string(PulseServer::kSinkName) + ".monitor";
    int error = 0;
    pa_simple* s = pa_simple_new(address.c_str(), "sunvale-tests", PA_STREAM_RECORD,
                                 monitor.c_str(), "monitor", &sampleFormat, nullptr, &attr, &error);
    if (s == nullptr && why != nullptr) *why = pa_strerror(error);
    return s;
}

}  // namespace

PulseServer::PulseServer()
{
    if (!dir.Valid()) {
        why = "no temporary directory for the sound server";
        return;
    }
    for (const char* sub : {"/run", "/state", "/home"}) {
        const std::string path = dir.Path() + sub;
        if (mkdir(path.c_str(), 0700) != 0) {
            why = "cannot make " + path;
            return;
        }
    }
    const std::string socket = dir.File("native");
    const std::string log = dir.File("server.log");
    address = "unix:" + socket;

    // Everything the server would keep under the user's home or /run lives in
    // the private directory; no D-Bus session is joined or started.
    const std::vector<std::string> env =
        ChildEnvironment({{"HOME", dir.File("home")},
                          {"XDG_CONFIG_HOME", dir.File("home") + "/.config"},
                          {"XDG_RUNTIME_DIR", dir.File("run")},
                          {"PULSE_RUNTIME_PATH", dir.File("run")},
                          {"PULSE_STATE_PATH", dir.File("state")},
                          {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + dir.File("no-bus")}},
                         {"DISPLAY", "PULSE_SERVER", "DBUS_SYSTEM_BUS_ADDRESS"});
    const std::vector<std::string> args = {
        "pulseaudio", "--daemonize=no", "--exit-idle-time=-1",
        "-n",  // no default.pa: only the modules below
        "--use-pid-file=no", "--system=no", "--realtime=no",
        // A nicer value for the server process alone, so that a busy
        // machine starves the tests' streams less often.
        "--high-priority=yes", "--disable-shm=yes", "--log-target=stderr", "-L",
        "module-null-sink sink_name=" + std::string(kSinkName) +
            " rate=" + std::to_string(kSinkRate),
        "-L", "module-native-protocol-unix auth-anonymous=1 socket=" + socket};
    std::vector<char*> argv, envp;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    const pid_t parent = getpid();
    pid = fork();
    if (pid < 0) {
        why = std::string("cannot fork the sound server: ") + std::strerror(errno);
        return;
    }
    if (pid == 0) {
        // Only async-signal-safe calls from here to exec. The server dies
        // with the test, even one that crashes.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(1);
        const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
        }
        if (chdir(dir.Path().c_str()) != 0) _exit(1);
        execvpe("pulseaudio", argv.data(), envp.data());
        static const char kNoServer[] = "cannot run pulseaudio (is it installed?)\n";
        if (write(2, kNoServer, sizeof kNoServer - 1) < 0) _exit(127);
        _exit(127);
    }

    // Even the readiness probe is a client: it must not make a cookie in the
    // real home directory.
    PointClientsHere();
    const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            pid = -1;
            why = "the sound server ended at start: " + LastLogLine(log);
            RestoreClients();
            return;
        }
        std::string refused;
        if (access(socket.c_str(), F_OK) == 0) {
            if (pa_simple* probe = OpenMonitor(address, 8000, uint32_t(-1), &refused)) {
                pa_simple_free(probe);
                ready = true;
                return;
            }
        }
        std::this_thread::sleep_for(kPollPeriod);
    }
    why = "the sound server did not accept clients in time: " + LastLogLine(log);
    RestoreClients();
}

PulseServer::~PulseServer()
{
    RestoreClients();
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + kStopLimit;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void PulseServer::PointClientsHere()
{
    const std::vector<std::pair<std::string, std::string>> values = {
        {"PULSE_SERVER", address},
        {"SDL_AUDIODRIVER", "pulseaudio"},
        // The client library keeps its cookie and configuration under these.
        {"HOME", dir.File("home")},
        {"XDG_CONFIG_HOME", dir.File("home") + "/.config"},
        {"XDG_RUNTIME_DIR", dir.File("run")},
        {"PULSE_RUNTIME_PATH", dir.File("run")}};
    for (const auto& [name, value] : values) {
        const char* old = std::getenv(name.c_str());
        savedEnv.push_back({name, {old != nullptr, old != nullptr ? old : ""}});
        setenv(name.c_str(), value.c_str(), 1);
    }
}

void PulseServer::RestoreClients()
{
    for (const auto& [name, old] : savedEnv) {
        if (old.first)
            setenv(name.c_str(), old.second.c_str(), 1);
        else
            unsetenv(name.c_str());
    }
    savedEnv.clear();
}

std::string PulseServer::Pactl(const std::string& args, bool* ok) const
{
    const std::string command = "pactl --server='" + address + "' " + args + " 2>/dev/null";
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        if (ok != nullptr) *ok = false;
        return out;
    }
    char chunk[4096];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) out.append(chunk, n);
    const int status = pclose(pipe);
    const bool good = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (ok != nullptr) *ok = good;
    return good ? out : std::string();
}

MonitorRecorder::MonitorRecorder(const PulseServer& server, int rate) : rate(rate)
{
    stream = OpenMonitor(server.Address(), rate, uint32_t(kBlockFrames * 4), &why);
    if (stream != nullptr) reader = std::thread([this] { Run(); });
}

void MonitorRecorder::Run()
{
    int16_t block[kBlockFrames * 2];
    while (!stop.load()) {
        int error = 0;
        if (pa_simple_read(stream, block, sizeof block, &error) < 0) {
            why = pa_strerror(error);
            return;
        }
        arrivals.push_back(std::chrono::duration_cast<std::chrono::nanoseconds>(
                               std::chrono::steady_clock::now().time_since_epoch())
                               .count());
        samples.insert(samples.end(), block, block + kBlockFrames * 2);
    }
}

void MonitorRecorder::Stop()
{
    stop = true;
    if (reader.joinable()) reader.join();
    if (stream != nullptr) {
        pa_simple_free(stream);
        stream = nullptr;
    }
}

}  // namespace sunvale::testaudio
