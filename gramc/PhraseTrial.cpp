#include "PhraseTrial.h"

#include "Recogniser.h"
#include "ResultLines.h"
#include "TextConversion.h"
#include "WordRecords.h"

#include <set>

namespace {

using qmsim::Cp1252ToUtf8;
using qmsim::EngineStatus;
using qmsim::Utf8ToCp1252;

std::string Joined(const std::vector<std::string>& words, size_t count)
{
    std::string text;
    for (size_t i = 0; i < count && i < words.size(); ++i)
        text += (i ? " " : "") + words[i];
    return text;
}

// As the module logs it, without the timing line, which depends on the time taken: the
// words line is cut as after a phrase timed at 0 ms.
void WriteResult(const qmsim::Recognition& recognition, std::string& out)
{
    std::vector<std::string> texts;
    std::vector<ResultWord> path;
    for (const qmsim::RecognisedWord& word : recognition.words) {
        ResultWord narrow;
        narrow.ruleNumber = word.ruleNumber;
        narrow.text = Utf8ToCp1252(word.text);
        narrow.wordNumber = word.wordNumber;
        texts.push_back(narrow.text);
        path.push_back(std::move(narrow));
    }
    std::string line = PhraseTimingText(0);
    const size_t timingLength = line.size();
    AppendWordsLine(line, texts);
    out += line.substr(timingLength);
    for (const ResultWord& word : path)
        out += WordDetailLine(word);
    const std::vector<std::string> arguments = CollectArguments(path);
    if (!arguments.empty())
        out += ListsLine(arguments) + "\n";
}

// How far the active rules followed the phrase, where the matcher can tell.
void WriteFailure(const qmsim::Recognition& recognition, const std::string& phrase, std::string& out)
{
    out += "not recognised: " + phrase + "\n";
    if (recognition.failure != qmsim::RecognitionFailure::NoParse) {
        out += "  " + Utf8ToCp1252(recognition.error) + "\n";
        return;
    }
    const std::vector<std::string> words = qmsim::SplitWords(phrase);
    const size_t followed = recognition.wordsFollowed;
    if (followed == 0)
        out += "  no active rule begins with \"" + words[0] + "\"\n";
    else if (followed < words.size())
        out += "  the active rules follow " + std::to_string(followed) + " of " + std::to_string(words.size()) +
               " words, \"" + Joined(words, followed) + "\", and none goes on with \"" + words[followed] + "\"\n";
    else
        out += "  the active rules follow the whole phrase and expect more words\n";
}

bool FillLists(qmsim::Recogniser& recogniser, uint32_t handle, const std::vector<ListValues>& lists,
               std::string& error)
{
    std::set<std::string> emptied;
    for (const ListValues& list : lists) {
        const std::string name = Cp1252ToUtf8(list.name);
        if (emptied.insert(name).second &&
            recogniser.ListSet(handle, name, nullptr, 0, error) != EngineStatus::Ok)
            return false;
        for (const std::string& value : list.values) {
            const std::vector<unsigned char> record = qmsim::MakeWordRecord(Cp1252ToUtf8(value), 0);
            if (recogniser.ListAppend(handle, name, record.data(), record.size(), error) != EngineStatus::Ok) {
                error = "list " + name + ", value \"" + Cp1252ToUtf8(value) + "\": " + error;
                return false;
            }
        }
    }
    return true;
}

} // namespace

bool ParseListValues(const std::string& text, ListValues& list, std::string& error)
{
    const size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0) {
        error = "--list takes NAME=VALUE[,VALUE]..., not '" + text + "'";
        return false;
    }
    list.name = text.substr(0, equals);
    list.values.clear();
    for (size_t start = equals + 1;;) {
        const size_t comma = text.find(',', start);
        list.values.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return true;
}

TrialStatus TryPhrases(const std::vector<unsigned char>& grammar, const std::vector<ListValues>& lists,
                       const std::vector<std::string>& phrases, std::string& out, std::string& error)
{
    qmsim::Recogniser recogniser;
    uint32_t handle = 0;
    if (recogniser.Load(grammar.data(), grammar.size(), handle, error) != EngineStatus::Ok) {
        error = "the recogniser refuses the grammar: " + Utf8ToCp1252(error);
        return TrialStatus::NotAllRecognised;
    }
    if (!FillLists(recogniser, handle, lists, error)) {
        error = Utf8ToCp1252(error);
        return TrialStatus::BadList;
    }
    // A grammar without exported rules stays inactive, and every phrase says so.
    std::string ignored;
    recogniser.Activate(handle, nullptr, 0, ignored);

    TrialStatus status = TrialStatus::AllRecognised;
    for (const std::string& phrase : phrases) {
        const qmsim::Recognition recognition = recogniser.Recognise(Cp1252ToUtf8(phrase), 0);
        if (recognition.recognised()) {
            WriteResult(recognition, out);
        } else {
            WriteFailure(recognition, phrase, out);
            status = TrialStatus::NotAllRecognised;
        }
    }
    return status;
}
