#include "argot_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cwchar>
#include <sstream>

ArgumentList::ArgumentList(const std::wstring &words)
{
    std::wistringstream stream(words);
    for (std::wstring word; stream >> word;) {
        words_.push_back(word);
    }
    for (const std::wstring &word : words_) {
        pointers_.push_back(word.c_str());
    }
    pointers_.push_back(nullptr);
}

ArgumentList::ArgumentList(std::initializer_list<std::wstring> words) : words_(words)
{
    for (const std::wstring &word : words_) {
        pointers_.push_back(word.c_str());
    }
    pointers_.push_back(nullptr);
}

wchar_t *HeapCopy(const std::wstring &text)
{
    auto *copy = static_cast<wchar_t *>(std::malloc((text.size() + 1) * sizeof(wchar_t)));
    if (copy != nullptr) {
        std::wmemcpy(copy, text.c_str(), text.size() + 1);
    }
    return copy;
}

wchar_t *RecordError(argot_error code, const wchar_t *name, const wchar_t *value, void *data)
{
    auto *report = static_cast<ErrorReport *>(data);
    ++report->calls;
    report->code = code;
    report->name = name != nullptr ? name : L"<null>";
    report->value = value != nullptr ? std::optional<std::wstring>(value) : std::nullopt;
    return report->returnsText ? HeapCopy(L"error " + std::to_wstring(code)) : nullptr;
}

argot_error ProbeHandler(argot_context *context, const wchar_t *value, void *data)
{
    EXPECT_NE(context, nullptr);
    auto *probe = static_cast<Probe *>(data);
    *probe->log += probe->label;
    if (value != nullptr) {
        *probe->log += L"(" + std::wstring(value) + L")";
    }
    *probe->log += L" ";
    return value != nullptr ? probe->valueResult : probe->result;
}

ParseOutcome ParseList(const argot_option *table, ArgumentList &arguments, int count)
{
    ParseOutcome outcome;
    ErrorReport report;
    ArgotContext context(table);
    context.InstallErrorHandler(RecordError, &report);
    const wchar_t **rest =
        context.Parse(count == -2 ? arguments.Count() : count, arguments.Entries());
    outcome.rest = rest - arguments.Entries();
    outcome.code = context.ErrorCode();
    if (outcome.code != ARGOT_ERROR_NONE) {
        EXPECT_STREQ(context.ErrorMessage(), (L"error " + std::to_wstring(outcome.code)).c_str());
        EXPECT_EQ(report.code, outcome.code);
        outcome.name = report.name;
        outcome.value = report.value;
    }
    return outcome;
}
