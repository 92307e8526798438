// Test command sets: loadTestCommands generates, compiles, loads and classifies N commands;
// updateWindowActivation switches the app- and window-specific ones for the foreground
// window. Both run on Dragon's thread.
#include "TestCommands.h"

#include "CommandHost.h"

#include "../compiler/GramParser.h"
#include "../grammar/CGramObj.h"

#include <charconv>
#include <cstdio>

namespace {

const char kActivationFailed[] = "\nGrammar Object failed to activate command Test %i ...\n\n";

// Rule names are the commands' numbers in decimal.
struct RuleName {
    explicit RuleName(int number) { *std::to_chars(text, text + sizeof(text) - 1, number).ptr = '\0'; }
    char text[16];
};

} // namespace

TestCommandTextMaker testCommandText = MakeTestCommandText;

std::string MakeTestCommandText(int number)
{
    // Formatted in place: one allocation for the text, 7500 times in a row.
    char text[64];
    const int length = snprintf(text, sizeof(text), "<%d> exported = Test %d;\n", number, number);
    return std::string(text, length > 0 ? static_cast<size_t>(length) : 0);
}

const char* FontDialogTitle(unsigned primaryLanguage)
{
    switch (primaryLanguage) {
    case 0x07:
        return "Schriftart";
    case 0x13:
        return "Lettertype";
    default:
        return "Font";
    }
}

void CommandHost::loadTestCommands(int count, const Busy& busy)
{
    if (compilerBusy())
        return;
    releaseAll(busy);

    const int half = count / 2;
    const int threeQuarters = (count / 4) * 3;
    m_owner.logFormat(">> Creating and loading %i commands: Test 1-%i ...\n... Test 1-%i as Global Commands, already "
              "activated,\n... Test %i-%i as App-Specific for DragonPad,\n... Test %i-%i as Window-Specific for "
              "DragonPad, Font Dialog.\n",
              count, count, half, half + 1, threeQuarters, threeQuarters + 1, count);
    log(">> This may take some time, please wait ...\n");
    m_startTicks = GetTickCount64();

    const char* fontTitle = FontDialogTitle(GetSystemDefaultLCID() & 0x3FF);
    for (int i = 0; i < count && compiler(); ++i) {
        const int k = i + 1;
        // The compiler outlives a disconnect that its boxes' message loops may run.
        GramParser* parser = compiler();
        if (!parser->Compile(testCommandText(k), false)) {
            log("Compiling from string failed.");
            break;
        }
        CGramObj* loaded = loadCommandGrammar(parser->packed, busy);
        if (!loaded) {
            m_owner.logFormat("\nGrammar failed to load in round %i ...\n\n", k);
            break;
        }
        if (i >= half) {
            loaded->isSpecific = 1;
            loaded->moduleName = "natspeak";
            if (i < threeQuarters)
                loaded->appTitle = "DragonPad";
            else
                loaded->windowTitle = fontTitle;
            m_owner.noteRuleStateChange();
        }
        loaded->number = k;
    }
    if (m_loadedCount == 0)
        return;

    // Newest first: counting down from loadedCount gives each grammar its own number.
    m_globalActiveCount = 0;
    GrammarWalk walk = m_owner.walkCommandGrammars(m_loadedCount);
    for (const GrammarWalk::Step step : walk) {
        if (step.grammar.isSpecific)
            continue;
        if (step.grammar.activate(RuleName(step.number).text, nullptr))
            ++m_globalActiveCount;
        else
            m_owner.logFormat(kActivationFailed, step.number);
    }
    // A box's message loop may have released the set meanwhile: it wrote its own lines.
    if (walk.interrupted())
        return;
    refreshStatistics();

    m_endTicks = GetTickCount64();
    char done[2048];
    snprintf(done, sizeof(done),
             "\n... done in %llu ms.\n\n>> Test recognition by dictating some of them now, given the ranges "
             "above.\n>> Start with the global commands, and then switch to DragonPad and the\n>> DragonPad Font "
             "Dialog, to check activating and deactivating on-the-fly.\n>> Keep watching the \"Activation "
             "Statistics\" updating accordingly ...\n\n",
             m_endTicks - m_startTicks);
    log(done);
}

bool CommandHost::repeatsSettledWalk(const std::string& moduleName, const std::string& title, HWND window) const
{
    const SettledWalk& last = m_settledWalk;
    // The window's existence decides whether its activations are known to hold.
    return last.valid && last.ruleStateChanges == m_owner.ruleStateChanges() && last.loadedCount == m_loadedCount &&
           last.window == window && last.moduleName == moduleName && last.title == title && IsWindow(window);
}

void CommandHost::updateWindowActivation(std::string moduleName, std::string title, HWND window, const Busy&)
{
    if (m_loadedCount <= 0)
        return;
    if (repeatsSettledWalk(moduleName, title, window)) {
        m_appActiveCount = m_settledWalk.appActiveCount;
        m_windowActiveCount = m_settledWalk.windowActiveCount;
        refreshStatistics();
        return;
    }
    m_settledWalk.valid = false;
    m_appActiveCount = 0;
    m_windowActiveCount = 0;

    const std::string prefix = title.substr(0, 9);
    // Whether window still exists, as activate would ask; only a call out can change that.
    int windowExists = -1;
    bool settled = true;
    GrammarWalk walk = m_owner.walkCommandGrammars(m_loadedCount);
    for (const GrammarWalk::Step step : walk) {
        CGramObj& grammar = step.grammar;
        if (!grammar.isSpecific)
            continue;
        // Calls that cannot change what the engine holds are left out: this walk runs while
        // the engine holds the utterance, over thousands of grammars.
        const RuleName rule(step.number);
        if (grammar.moduleName != moduleName) {
            if (!grammar.knownInactive(rule.text)) {
                grammar.deactivate(rule.text);
                settled = settled && grammar.knownInactive(rule.text); // not when refused
            }
        } else if (grammar.appTitle == prefix || grammar.windowTitle == title) {
            int& count = grammar.appTitle == prefix ? m_appActiveCount : m_windowActiveCount;
            if (windowExists < 0)
                windowExists = IsWindow(window) ? 1 : 0;
            bool active;
            if (windowExists && grammar.knownActiveFor(rule.text, window)) {
                active = true;
            } else {
                active = grammar.activate(rule.text, window) != 0;
                windowExists = -1;
            }
            if (active)
                ++count;
            else
                m_owner.logFormat(kActivationFailed, step.number);
            settled = settled && active;
        }
        // else: bound by the engine to the window of its last activation
    }
    if (walk.interrupted())
        return;
    if (settled)
        m_settledWalk = {true, moduleName, title, window, m_loadedCount, m_owner.ruleStateChanges(), m_appActiveCount,
                         m_windowActiveCount};
    refreshStatistics();
}
