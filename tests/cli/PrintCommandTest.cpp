// tsmtool print end to end: the real program prints into a PDF that poppler reads back.

#include "sheet/PageList.h"
#include "sheet/Paper.h"
#include "tests/cli/ToolTestFolder.h"

#include <gtest/gtest.h>

using namespace tsm;

namespace {

class PrintCommandTest : public test::ToolTestFolder {
protected:
    std::string PdfInfo(const std::string& pdf) {
        return test::CommandOutput("pdfinfo " + test::ShellQuote(pdf));
    }
    std::string PdfText(const std::string& pdf, int page) {
        const std::string n = std::to_string(page);
        return test::CommandOutput("pdftotext -f " + n + " -l " + n + " " + test::ShellQuote(pdf) + " -");
    }
};

} // namespace

TEST_F(PrintCommandTest, PrintsEveryPageOnTheModelsPaper) {
    // A model whose development runs over several sheets of A4.
    Document doc;
    ASSERT_TRUE(UnfoldThreeCubesInRows(doc).empty());
    ASSERT_TRUE(WriteBinaryModel(doc, doc.display, Out("tall.tsm")).ok());
    UpdateSheetGrid(doc, Paper{}, true);
    const int pages = static_cast<int>(BuildPageList(doc, Paper{}, true).size());
    ASSERT_GE(pages, 2);
    const std::string pdf = Out("tall.pdf");
    const test::ToolRun run = Run({"print", Out("tall.tsm"), "--pdf", pdf, "--dpi", "150"});
    ASSERT_EQ(run.status, 0) << run.err;
    // The printer has the model's own paper, all printable: no question.
    EXPECT_EQ(run.err, "");
    const std::string info = PdfInfo(pdf);
    EXPECT_NE(info.find("Pages:           " + std::to_string(pages) + "\n"), std::string::npos) << info;
    EXPECT_NE(info.find("595 x 842 pts (A4)"), std::string::npos) << info;
    for (int n = 1; n <= pages; ++n) {
        const std::string label = std::to_string(n) + "/" + std::to_string(pages) + " (row";
        EXPECT_NE(PdfText(pdf, n).find(label), std::string::npos) << "page " << n;
    }
}

TEST_F(PrintCommandTest, OtherPrinterPaperAsksAndTheAnswerComesFromTheCommandLine) {
    const std::string pdf = Out("house.pdf");
    const std::string paperQuestion =
        "message: The size of paper specified by Tessaly Designer is not same as Printer setting.\\nAdjust "
        "scale?\n";
    const struct {
        std::string answer, paper, margins, question, inInfo, label;
    } cases[] = {
        // Letter paper with a quarter inch unprintable: the paper question, answered Yes.
        {"--yes", "letter", "6.35", paperQuestion, "612 x 792 pts (letter)", "1/1 (row1 col1)"},
        // Answered No, the page is still printed, unscaled.
        {"--no", "216x279", "", paperQuestion, "Pages:           1\n", ""},
        // A4 paper whose printable area is too small for the model's 180 x 267: the second question.
        {"--yes", "A4", "20",
         "message: A part of development may not fit into printable area.\\nAdjust scale?\n",
         "Pages:           1\n", ""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {
            c.answer, "print", Sample("house.tsm"), "--pdf", pdf, "--printer-paper", c.paper, "--dpi", "100"};
        if (!c.margins.empty()) args.insert(args.end(), {"--printer-margins", c.margins});
        const test::ToolRun run = Run(args);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, c.question);
        EXPECT_NE(PdfInfo(pdf).find(c.inInfo), std::string::npos) << c.paper;
        if (!c.label.empty()) {
            EXPECT_NE(PdfText(pdf, 1).find(c.label), std::string::npos) << c.paper;
        }
    }
}

TEST_F(PrintCommandTest, MarginsLeavingNothingAndUnwritablePdfsAreFailures) {
    const std::string model = Sample("house.tsm");
    EXPECT_EQ(Run({"print", model, "--pdf", Out("x.pdf"), "--printer-margins", "150"}).status, 1);
    const test::ToolRun unwritable = Run({"print", model, "--pdf", Out("no/such/dir/x.pdf"), "--dpi", "72"});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.err.find("message: Could not start print job."), std::string::npos)
        << unwritable.err;
    EXPECT_FALSE(std::filesystem::exists(Out("x.pdf")));
}
