#include "ArgotTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <iterator>
#include <sstream>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#define pipe(ends) _pipe(ends, 4096, _O_BINARY)
#else
#include <unistd.h>
#endif

wchar_t* RecordError(argot_error code, const wchar_t* name, const wchar_t* value, void* data) {
  auto* report = static_cast<ErrorReport*>(data);
  ++report->calls;
  report->code = code;
  report->name = name != nullptr ? name : L"<null>";
  report->value = value != nullptr ? std::optional<std::wstring>(value) : std::nullopt;
  if (!report->returnsText) return nullptr;
  const std::wstring text = L"error " + std::to_wstring(code);
  auto* copy = static_cast<wchar_t*>(std::malloc((text.size() + 1) * sizeof(wchar_t)));
  return copy != nullptr ? std::wmemcpy(copy, text.c_str(), text.size() + 1) : nullptr;
}

int Parse(ArgotContext& context, const std::wstring& words) {
  std::wistringstream stream(words);
  const std::vector<std::wstring> list{std::istream_iterator<std::wstring, wchar_t>(stream), {}};
  std::vector<const wchar_t*> entries;
  for (const std::wstring& word : list) entries.push_back(word.c_str());
  entries.push_back(nullptr);
  return static_cast<int>(context.Parse(static_cast<int>(list.size()), entries.data()) -
                          entries.data());
}

void CheckRows(const argot_option* table, std::initializer_list<Row> rows,
               const std::function<std::wstring()>& effect, const std::string& stderrText) {
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "arguments: \"" << row.words << "\"");
    ErrorReport report;
    ArgotContext context(table);
    context.InstallErrorHandler(RecordError, &report);
    StderrCapture capture;
    std::wstring result = L"rest " + std::to_wstring(Parse(context, row.words));
    EXPECT_EQ(capture.Finish(), stderrText);
    const argot_error code = context.ErrorCode();
    if (code != ARGOT_ERROR_NONE) {
      EXPECT_STREQ(context.ErrorMessage(), (L"error " + std::to_wstring(code)).c_str());
      result += L": " + std::to_wstring(code) + L" " + report.name;
      result += report.value ? L"=" + *report.value : L"";
    }
    EXPECT_EQ(result, row.result);
    EXPECT_EQ(effect(), row.effect);
  }
}

StderrCapture::StderrCapture() {
  int ends[2];
  std::fflush(stderr);
  if (pipe(ends) != 0) {
    ADD_FAILURE() << "cannot make a pipe";
    return;
  }
  pipe_ = ends[0];
  saved_ = dup(2);
  if (saved_ < 0 || dup2(ends[1], 2) < 0) {
    ADD_FAILURE() << "cannot redirect the standard error stream";
  }
  close(ends[1]);
}

StderrCapture::~StderrCapture() { Finish(); }

std::string StderrCapture::Finish() {
  std::string text;
  if (saved_ >= 0) {
    std::fflush(stderr);
    dup2(saved_, 2);  // closes the last writing end
    close(saved_);
    saved_ = -1;
  }
  char buffer[256];
  for (int length; pipe_ >= 0 && (length = static_cast<int>(read(pipe_, buffer, 256u))) > 0;) {
    text.append(buffer, static_cast<std::size_t>(length));
  }
  if (pipe_ >= 0) {
    close(pipe_);
    pipe_ = -1;
  }
  return text;
}
