// tsmtool print end to end: the real program prints into a PDF that poppler reads back.

#include "tests/cli/ToolTestFolder.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

using namespace tsm;

namespace {

class PrintCommandTest : public test::ToolTestFolder {};

} // namespace

TEST_F(PrintCommandTest, PrinterPaperAndAnswersComeFromTheCommandLine) {
    const std::string pdf = Out("house.pdf");
    const std::string paperQuestion =
        "message: The size of paper specified by Tessaly Designer is not same as Printer setting.\\nAdjust "
        "scale?\n";
    const struct {
        std::vector<std::string> options;
        std::string question, inInfo, label;
    } cases[] = {
        // The printer has the model's own paper, all printable: no question.
        {{}, "", "595 x 842 pts (A4)", "1/1 (row1 col1)"},
        // Letter paper with a quarter inch unprintable: the paper question, answered Yes.
        {{"--yes", "--printer-paper", "letter", "--printer-margins", "6.35"},
         paperQuestion,
         "612 x 792 pts (letter)",
         "1/1 (row1 col1)"},
        // Answered No, the page is still printed, unscaled. (The second question, whether the parts fit
        // the printable area, is the page printer's.)
        {{"--no", "--printer-paper", "216x279"}, paperQuestion, "Pages:           1\n", ""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"print", Sample("house.tsm"), "--pdf", pdf, "--dpi", "100"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const test::ToolRun run = Run(args);
        SCOPED_TRACE(run.line);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, c.question);
        EXPECT_NE(test::CommandOutput("pdfinfo " + test::ShellQuote(pdf)).find(c.inInfo), std::string::npos);
        EXPECT_NE(test::CommandOutput("pdftotext " + test::ShellQuote(pdf) + " -").find(c.label),
                  std::string::npos);
    }
}

namespace {

// How often each word stands in the PDF's text, as poppler reads it.
std::map<std::string, int> Words(const std::string& pdf) {
    std::istringstream text(test::RunShell("pdftotext " + test::ShellQuote(pdf) + " -").out);
    std::map<std::string, int> words;
    for (std::string word; text >> word;) ++words[word];
    return words;
}

} // namespace

// --part-numbers prints every part's number once more than the print without them has it.
TEST_F(PrintCommandTest, PartNumbersArePrintedAsText) {
    const std::string house = Sample("house.tsm");
    const int parts = Info(house)["development"]["partCount"].toInt();
    ASSERT_GT(parts, 1);
    ASSERT_EQ(Run({"print", house, "--pdf", Out("plain.pdf"), "--dpi", "72"}).status, 0);
    ASSERT_EQ(Run({"print", house, "--pdf", Out("numbered.pdf"), "--dpi", "72", "--part-numbers"}).status, 0);
    std::map<std::string, int> added = Words(Out("numbered.pdf"));
    for (const auto& [word, count] : Words(Out("plain.pdf"))) added[word] -= count;
    for (int n = 1; n <= parts; ++n) EXPECT_EQ(added[std::to_string(n)], 1) << n;
    EXPECT_EQ(added[std::to_string(parts + 1)], 0);
}
