#include "orvane/compare/Compare.h"

namespace orvane::compare {

namespace {

using orvane::codepage::TextsOutsideCp1252;

// `file` and a blank lead every name when the texts of two files are named.
std::string named(const std::string& file, const std::string& what) { return file.empty() ? what : file + " " + what; }

void checkConfigurationTexts(const Configuration& c, const std::string& file, bool withComment, TextsOutsideCp1252& texts)
{
    if (!c.texts)
        return;
    texts.check(named(file, "title"), c.texts->title);
    texts.check(named(file, "configuration string"), c.texts->config);
    if (withComment)
        texts.check(named(file, "comment"), c.texts->comment);
}

void checkBlockComments(const Configuration& c, const std::string& file, TextsOutsideCp1252& texts)
{
    for (const BlockRecord& block : c.blocks) {
        const std::string name = named(file, "block " + std::to_string(block.number));
        texts.check(name + " comment", block.comment);
        texts.check(name + " Visio comment", block.visioComment);
    }
}

void checkMessages(const Configuration& c, const std::string& file, TextsOutsideCp1252& texts)
{
    for (const auto& [number, message] : c.messages)
        if (message)
            texts.check(named(file, "message " + std::to_string(number)), *message);
    for (const QuickRecord& quick : c.quickMessages)
        if (quick.message)
            texts.check(named(file, "quick message " + std::to_string(quick.offset)), *quick.message);
}

} // namespace

bool writesConfigurationSection(const CompareRequest& request)
{
    return request.program == Companion::Ostrel || request.reportCode == 'L';
}

bool writesParameters(const CompareRequest& request)
{
    return request.program == Companion::Ostrel || request.reportCode != 'S';
}

TextsOutsideCp1252 textsOutsideCp1252(const Configuration& one, const Configuration& two, const CompareRequest& request)
{
    TextsOutsideCp1252 texts;
    texts.check("FILE 1", request.file1.path.toStdString());
    texts.check("FILE 2", request.file2.path.toStdString());
    const bool comments = request.program == Companion::Juxta;
    if (writesConfigurationSection(request)) {
        checkConfigurationTexts(one, "FILE 1", comments, texts);
        checkConfigurationTexts(two, "FILE 2", false, texts);
    }
    if (comments)
        checkBlockComments(one, "FILE 1", texts);
    if (writesParameters(request)) {
        checkMessages(one, "FILE 1", texts);
        checkMessages(two, "FILE 2", texts);
    }
    return texts;
}

TextsOutsideCp1252 commentTextsOutsideCp1252(const Configuration& source)
{
    TextsOutsideCp1252 texts;
    checkConfigurationTexts(source, {}, true, texts);
    checkBlockComments(source, {}, texts);
    return texts;
}

} // namespace orvane::compare
