// panel: the controller's live front panel in the terminal. The LCD is drawn with the
// glyph table's code points, the icons shown are named below it, and keys typed on the
// keyboard press the controller's keys as the program's key buttons do.
#include <chrono>
#include <ostream>
#include <thread>

#include "cli/commands.h"
#include "cli/messages.h"
#include "cli/session.h"
#include "comm/CComClient.h"
#include "comm/SharedTexts.h"
#include "panel/ComClientPanelLink.h"
#include "panel/FrontPanelSession.h"
#include "panel/TextPanel.h"
#include "platform/terminal_keys.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kIdlePassMs = 10;
constexpr int kChordHoldMs = 210;
// --once waits this long beyond the link's request time-out for a screen to show.
constexpr int kFirstScreenGraceMs = 2000;

const char* FamilyName(int family) {
    switch (family) {
    case 0:
        return "kz9";
    case 1:
        return "Pask";
    default:
        return "Trel";
    }
}

panel::FrontPanelSession::Hooks TerminalHooks(cli::Context& context) {
    panel::FrontPanelSession::Hooks hooks;
    hooks.warn = [&context](const std::string& text) { context.err << text << "\n"; };
    hooks.wait = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
    return hooks;
}

void PrintScreen(cli::Context& context, const panel::FrontPanelSession& session) {
    for (int row = 0; row < panel::kLcdRows; ++row)
        context.out << panel::LcdRowUtf8(session.Screen(), row) << "\n";
    context.out << panel::IconLine(session.ShownIcons()) << "\n";
}

int RunOnce(cli::Context& context, panel::FrontPanelSession& session, std::uint32_t timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs + kFirstScreenGraceMs);
    while (!session.HasScreen() && Clock::now() < deadline) {
        if (session.Tick() == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(kIdlePassMs / 2));
    }
    CComClient::Instance().StopMonitor();
    if (!session.HasScreen()) {
        context.err << texts::kNotReacting << "\n";
        return cli::kExitFailure;
    }
    PrintScreen(context, session);
    // The error screen means the controller did not answer the front-panel read.
    return session.ShowsErrorScreen() ? cli::kExitFailure : cli::kExitOk;
}

void DrawLive(cli::Context& context, const panel::FrontPanelSession& session, int family) {
    std::string frame = "\x1b[H\x1b[2J";
    frame += std::string(FamilyName(family)) + " front panel\r\n";
    if (session.HasScreen()) {
        for (const std::string& line : panel::LcdBox(session.Screen()))
            frame += line + "\r\n";
        frame += panel::IconLine(session.ShownIcons()) + "\r\n";
    } else {
        frame += "(waiting for the controller's display)\r\n";
    }
    frame += "\r\nkeys: a b - + click A, B, -, +   Esc or e: Esc   Enter or o: Enter\r\n"
             "      A B _ = hold/release A, B, -, +   p: parameter access   q: quit\r\n";
    context.out << frame << std::flush;
}

// Handles the typed keys; false when the user asked to quit.
bool HandleKeys(const std::string& keys, panel::FrontPanelSession& session) {
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const char c = keys[i];
        if (c == 0x1B && i + 1 < keys.size() && (keys[i + 1] == '[' || keys[i + 1] == 'O')) {
            // An escape sequence (arrow, function key): skip it whole.
            i += 2;
            while (i < keys.size() && !(keys[i] >= 0x40 && keys[i] <= 0x7E))
                ++i;
            continue;
        }
        switch (c) {
        case 'q':
        case 'Q':
        case 0x03: // Ctrl-C in raw mode
            return false;
        case 'a':
            session.ClickKey(panel::kKeyA);
            break;
        case 'b':
            session.ClickKey(panel::kKeyB);
            break;
        case '-':
            session.ClickKey(panel::kKeyMinus);
            break;
        case '+':
            session.ClickKey(panel::kKeyPlus);
            break;
        case 0x1B:
        case 'e':
            session.ClickKey(panel::kKeyEsc);
            break;
        case '\r':
        case '\n':
        case 'o':
            session.ClickEnter();
            break;
        case 'A':
            session.DoubleClickKey(panel::kKeyA);
            break;
        case 'B':
            session.DoubleClickKey(panel::kKeyB);
            break;
        case '_':
            session.DoubleClickKey(panel::kKeyMinus);
            break;
        case '=':
            session.DoubleClickKey(panel::kKeyPlus);
            break;
        case 'p':
            session.ToggleKey(panel::kKeyChord);
            std::this_thread::sleep_for(std::chrono::milliseconds(kChordHoldMs));
            session.ToggleKey(panel::kKeyChord);
            break;
        default:
            break;
        }
    }
    return true;
}

int RunLive(cli::Context& context, panel::FrontPanelSession& session, int family) {
    platform::RawKeyboard keyboard;
    DrawLive(context, session, family);
    bool closed = false;
    for (;;) {
        const std::string keys = keyboard.Read(kIdlePassMs, closed);
        if (!HandleKeys(keys, session) || closed)
            break;
        if (session.Tick() > 0 || !keys.empty())
            DrawLive(context, session, family);
    }
    CComClient::Instance().StopMonitor();
    context.out << "\r\n";
    return cli::kExitOk;
}

int RunPanel(cli::Context& context) {
    const bool once = cli::TakeFlag(context.args, "--once");
    if (!cli::NoArgumentsLeft(context))
        return cli::kExitUsage;
    comm::IControllerLink& reader = comm::ComClientLink();
    int family = 0;
    if (!cli::ConnectedFamilyOrSay(reader, family, context.err))
        return cli::kExitFailure;
    if (CComClient::Instance().StartMonitor() != 0) {
        context.err << texts::kCommunicationFailed << "\n";
        return cli::kExitFailure;
    }
    panel::FrontPanelSession session(panel::ComClientLink(), family, TerminalHooks(context));
    return once ? RunOnce(context, session, reader.LinkTimeoutMs())
                : RunLive(context, session, family);
}

const cli::Command kPanel{
    "panel",
    "panel [--once]",
    "Show the controller's live front panel and press its keys",
    "Draws the LCD and names the icons shown, updated as the controller changes them.\n"
    "Keys: a, b, -, + click A, B, -, +; Esc or e clicks Esc; Enter or o clicks Enter;\n"
    "A, B, _, = hold or release A, B, -, + (as a double click does); p sends the\n"
    "Esc+Enter chord (parameter access); q quits.\n"
    "--once prints the four LCD lines and a line naming the icons shown, then exits\n"
    "(status 1 when the controller did not answer the display read).\n",
    true,
    RunPanel};
const cli::RegisterCommand kRegisterPanel(kPanel);

} // namespace
