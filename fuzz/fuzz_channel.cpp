// Random bytes from the line, commands and port changes through the command channel, with
// the reception tick called directly. A plain model of the traffic log follows along: every
// tick must feed the Terminal exactly the characters it consumed (CR as CR LF, at most 250
// characters, a final CR LF pair may make it 251) and dispatch exactly the completed line
// (its first 255 characters); nothing is ever overwritten in the ring, no tick reads more
// than 1023 bytes nor into the room the held echoes need, every command reaches the wire with
// its CR, and an echo is never dropped and never lands inside a half-received line unless
// more than 32 of them wait.
#include "FuzzSupport.h"

#include "FakeSerialDevice.h"
#include "link/CommandChannel.h"

#include <QCoreApplication>

#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

using namespace vq3;
using fuzz::FuzzInput;

namespace {

constexpr std::size_t kRingCapacity = 1023; // 1024 bytes, one kept free to tell full from empty
constexpr std::size_t kLineKept = 255;
constexpr std::size_t kChunkLimit = 250;
constexpr std::size_t kHeldEchoLimit = link::CommandChannel::kHeldEchoLimit;

// What the channel should hold: unread ring bytes, the line being assembled, and the echoes
// that wait for a half-received line to end or for room (no event loop runs here and a run is
// far shorter than 2 s, so they wait for a CR or for more than 32 of them).
struct LogModel {
    std::deque<char> unread;
    std::string partial;
    std::string wire; // every byte that should have been written to the port
    bool lineOpen = false;
    char lastReceived = '\r';
    bool midLine = false; // too many wait: they go in as they are
    std::deque<std::string> held;

    std::size_t Room() const { return kRingCapacity - unread.size(); }
    std::size_t HeldBytes() const {
        std::size_t bytes = 0;
        for (const std::string& echo : held)
            bytes += echo.size();
        return bytes;
    }
    void Append(const std::string& text) {
        unread.insert(unread.end(), text.begin(), text.end());
        FUZZ_CHECK(unread.size() <= kRingCapacity);
    }
    // Held echoes go in, in order and whole, at a line boundary and while they fit beside the
    // received bytes still to come in the same block (reserve).
    void Place(std::size_t reserve = 0) {
        if (lineOpen && !midLine)
            return;
        while (!held.empty() && Room() >= held.front().size() + reserve) {
            Append(held.front());
            held.pop_front();
        }
        if (held.empty())
            midLine = false;
    }
    void Echo(const std::string& echo) {
        held.push_back(echo);
        if (held.size() > kHeldEchoLimit)
            midLine = true;
        Place();
    }
    // Received bytes; held echoes go in after the first CR, or after its LF when one follows.
    void Receive(const std::string& bytes) {
        std::string rest = bytes;
        if (!held.empty() && lineOpen) {
            std::size_t end = rest.find('\r');
            if (end != std::string::npos && end + 1 < rest.size() && rest[end + 1] == '\n')
                ++end;
            if (end != std::string::npos) {
                Append(rest.substr(0, end + 1));
                rest.erase(0, end + 1);
                lineOpen = false;
                Place(rest.size());
            }
        }
        Append(rest);
        if (!bytes.empty()) {
            const char previous = bytes.size() > 1 ? bytes[bytes.size() - 2] : lastReceived;
            lastReceived = bytes.back();
            lineOpen = lastReceived != '\r' && !(lastReceived == '\n' && previous == '\r');
        }
    }
    void Drop() {
        held.clear();
        midLine = false;
    }
    void Reset() {
        unread.clear();
        partial.clear();
        lineOpen = false;
        lastReceived = '\r';
        Drop();
    }
};

// The fake line, telling the model what the channel took from it.
class ObservedDevice : public test::FakeSerialDevice {
public:
    explicit ObservedDevice(LogModel& model) : m_model(model) {}

    int Read(char* destination, int maxLength) override {
        FUZZ_CHECK(maxLength > 0);
        FUZZ_CHECK(static_cast<std::size_t>(maxLength) + m_model.HeldBytes() <= m_model.Room());
        const int count = FakeSerialDevice::Read(destination, maxLength);
        FUZZ_CHECK(count >= 0 && count <= maxLength);
        m_model.Receive(std::string(destination, static_cast<std::size_t>(count)));
        return count;
    }
    int Purge() override {
        m_model.Reset(); // a successful open purges, then resets the ring and the line
        return FakeSerialDevice::Purge();
    }

private:
    LogModel& m_model;
};

// What the channel tells, kept for the checks.
struct RecordingHost {
    std::vector<std::string> chunks;
    std::vector<std::string> lines;
    int portErrors = 0;

    explicit RecordingHost(link::CommandChannel& channel) {
        QObject::connect(&channel, &link::CommandChannel::portError, &channel,
                         [this] { ++portErrors; });
        QObject::connect(
            &channel, &link::CommandChannel::traffic, &channel,
            [this](const QByteArray& chunk) { chunks.emplace_back(chunk.toStdString()); });
        QObject::connect(&channel, &link::CommandChannel::lineReceived, &channel,
                         [this](const char* line) { lines.emplace_back(line); });
    }
};

struct Rig {
    LogModel model;
    ObservedDevice device{model};
    link::CommandChannel channel{device};
    RecordingHost host{channel};
};

void Send(Rig& rig, const std::string& text) {
    const bool connected = rig.channel.IsConnected();
    rig.channel.SendCommand(QByteArray(text.data(), static_cast<qsizetype>(text.size())));
    if (!connected)
        return; // dropped: neither written nor logged
    const std::string wire = text + '\r';
    rig.model.wire += wire;
    // The echo is logged up to a NUL.
    rig.model.Echo(">" + wire.substr(0, std::strlen(wire.c_str())));
}

void Tick(Rig& rig) {
    rig.host.chunks.clear();
    rig.host.lines.clear();
    LogModel& model = rig.model;
    if (rig.channel.IsConnected())
        model.Place();             // held echoes that may go in come before anything read now
    rig.channel.OnReceptionTick(); // then reads: the device has fed the model by now

    std::string chunk;
    bool complete = false;
    std::string line;
    while (!model.unread.empty()) {
        const char byte = model.unread.front();
        model.unread.pop_front();
        if (chunk.size() < kChunkLimit) {
            chunk += byte;
            if (byte == '\r')
                chunk += '\n';
        }
        if (byte == '\r') {
            line = model.partial;
            model.partial.clear();
            complete = true;
            break;
        }
        if (model.partial.size() < kLineKept)
            model.partial += byte;
    }

    FUZZ_CHECK(rig.host.chunks.size() == (chunk.empty() ? 0U : 1U));
    if (!chunk.empty()) {
        const std::string& shown = rig.host.chunks.front();
        FUZZ_CHECK(shown.size() <= kChunkLimit ||
                   (shown.size() == kChunkLimit + 1 && shown.compare(249, 2, "\r\n") == 0));
        FUZZ_CHECK(shown == chunk);
    }
    FUZZ_CHECK(rig.host.lines.size() == (complete ? 1U : 0U));
    if (complete) {
        const std::string& dispatched = rig.host.lines.front();
        FUZZ_CHECK(dispatched.size() <= kLineKept);
        FUZZ_CHECK(dispatched.find('\r') == std::string::npos);
        FUZZ_CHECK(dispatched == line);
        FUZZ_CHECK(std::strcmp(rig.channel.ReplyLine(), dispatched.c_str()) == 0);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // The channel's reception timer needs an event dispatcher; one application for the run.
    static QCoreApplication* application = new QCoreApplication(*argc, *argv);
    (void)application;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    auto rig = std::make_unique<Rig>();
    rig->channel.SetPort(1);
    rig->channel.ConnectSequence(false);
    FUZZ_CHECK(rig->channel.IsConnected());
    rig->model.wire += "INP\r"; // the status query after every successful connect
    rig->model.Append(">INP\r");

    std::size_t traffic = 0; // bytes that may still have to pass through the ring
    while (!input.Empty()) {
        const std::uint8_t op = input.Byte();
        switch (op % 8) {
        case 0:
        case 1:
        case 2: { // bytes from the unit, now and then more than a tick can take
            std::size_t count = input.Byte();
            if (op & 0x80)
                count *= 8;
            const std::string bytes = input.Bytes(count);
            rig->device.Arrive(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
            traffic += bytes.size();
            break;
        }
        case 3:
        case 4:
            for (int i = 0; i <= (op >> 3) % 4; ++i)
                Tick(*rig);
            break;
        case 5:
        case 6: { // a command typed or sent by a window
            const std::string text = input.Bytes(input.Byte() % 64);
            Send(*rig, text);
            traffic += text.size() + 2;
            break;
        }
        case 7: { // the COM port dialog: another port, none, or one that fails to open
            rig->device.openResult = (op & 0x10) ? 1 + (op >> 5) % 5 : 0;
            rig->channel.SetPort((op & 0x08) ? 0 : 1 + (op >> 5) % 9);
            const int errors = rig->host.portErrors;
            const int port = rig->channel.Port();
            rig->channel.ConnectSequence(true);
            const bool opened = port != 0 && rig->device.openResult == 0;
            FUZZ_CHECK(rig->channel.IsConnected() == opened);
            FUZZ_CHECK(rig->host.portErrors == errors + (port != 0 && !opened ? 1 : 0));
            FUZZ_CHECK(rig->channel.Port() == (opened ? port : 0));
            if (opened) {
                rig->model.wire += "INP\r";
                rig->model.Append(">INP\r");
                traffic += 5;
            } else {
                rig->model.Drop(); // dropped with the link
            }
            break;
        }
        }
    }

    // Drain: every waiting byte must come through in a bounded number of ticks.
    std::size_t ticks = 0;
    const std::size_t limit = 2 * traffic + 64;
    while (!rig->model.unread.empty() || (rig->device.open && !rig->device.pending.isEmpty())) {
        FUZZ_CHECK(++ticks <= limit);
        Tick(*rig);
    }
    FUZZ_CHECK(rig->device.written ==
               QByteArray(rig->model.wire.data(), static_cast<qsizetype>(rig->model.wire.size())));
    return 0;
}
