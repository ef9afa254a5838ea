// tsmtool print end to end: the real program prints into a PDF that poppler reads back.

#include "model/BinaryWriter.h"
#include "model/Settings.h"
#include "sheet/PageList.h"
#include "sheet/Paper.h"
#include "tests/cli/ToolTestFolder.h"
#include "tests/support/ShellCommand.h"
#include "tools/lib/ModelBuilder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

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

    // A model whose development runs over several sheets of A4; returns the number of pages it prints on.
    int WriteTallModel(const std::string& path) {
        Document doc;
        EXPECT_TRUE(UnfoldThreeCubesInRows(doc).empty());
        const Outcome written = WriteBinaryModel(doc, doc.display, path);
        EXPECT_TRUE(written.ok()) << written.reason();
        UpdateSheetGrid(doc, Paper{}, true);
        return static_cast<int>(BuildPageList(doc, Paper{}, true).size());
    }
};

} // namespace

TEST_F(PrintCommandTest, PrintsEveryPageOnTheModelsPaper) {
    const std::string model = Out("tall.tsm");
    const int pages = WriteTallModel(model);
    ASSERT_GE(pages, 2);
    const std::string pdf = Out("tall.pdf");
    const test::ToolRun run = Run({"print", model, "--pdf", pdf, "--dpi", "150"});
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
    const std::string question =
        "message: The size of paper specified by Tessaly Designer is not same as Printer setting.\\nAdjust "
        "scale?\n";
    {
        // Letter paper with a quarter inch unprintable: the paper question, answered Yes.
        const test::ToolRun run = Run({"--yes", "print", Sample("house.tsm"), "--pdf", pdf, "--printer-paper",
                                       "letter", "--printer-margins", "6.35", "--dpi", "100"});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, question);
        const std::string info = PdfInfo(pdf);
        EXPECT_NE(info.find("612 x 792 pts (letter)"), std::string::npos) << info;
        EXPECT_NE(PdfText(pdf, 1).find("1/1 (row1 col1)"), std::string::npos);
    }
    {
        // Answered No, the page is still printed, unscaled.
        const test::ToolRun run = Run({"--no", "print", Sample("house.tsm"), "--pdf", pdf, "--printer-paper",
                                       "216x279", "--dpi", "100"});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, question);
        EXPECT_NE(PdfInfo(pdf).find("Pages:           1\n"), std::string::npos);
    }
    {
        // A4 paper whose printable area is too small for the model's 180 x 267: the second question.
        const test::ToolRun run = Run({"--yes", "print", Sample("house.tsm"), "--pdf", pdf, "--printer-paper",
                                       "A4", "--printer-margins", "20", "--dpi", "100"});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err,
                  "message: A part of development may not fit into printable area.\\nAdjust scale?\n");
    }
}

TEST_F(PrintCommandTest, BadRequestsAreRefused) {
    const std::string model = Sample("house.tsm");
    const std::string pdf = Out("x.pdf");
    // Usage problems: exit status 2, with the reason.
    EXPECT_EQ(Run({"print", model}).status, 2);                                           // no --pdf
    EXPECT_EQ(Run({"print", model, "--pdf", pdf, "--printer-paper", "A9"}).status, 2);    // unknown paper
    EXPECT_EQ(Run({"print", model, "--pdf", pdf, "--printer-paper", "0x100"}).status, 2); // empty paper
    EXPECT_EQ(Run({"print", model, "--pdf", pdf, "--printer-paper", "100x"}).status, 2);  // half a size
    EXPECT_EQ(Run({"print", model, "--pdf", pdf, "--printer-margins", "-1"}).status, 2);  // negative
    EXPECT_EQ(Run({"print", model, "--pdf", pdf, "--dpi", "10"}).status, 2);              // too coarse
    EXPECT_EQ(Run({"print", model, "--pdf", pdf, "--dpi", "300.5"}).status, 2);           // not whole
    EXPECT_EQ(Run({"print", model, model, "--pdf", pdf}).status, 2);                      // two models
    EXPECT_EQ(Run({"info", model, "--pdf", pdf}).status, 2);                              // wrong command
    const test::ToolRun usage = Run({"print", model, "--pdf"});
    EXPECT_EQ(usage.status, 2);
    EXPECT_NE(usage.err.find("print --pdf OUT.pdf"), std::string::npos) << usage.err;
    // Margins that leave nothing printable, and a PDF that cannot be written: failures, not crashes.
    const test::ToolRun margins = Run({"print", model, "--pdf", pdf, "--printer-margins", "150"});
    EXPECT_EQ(margins.status, 1);
    const test::ToolRun unwritable = Run({"print", model, "--pdf", Out("no/such/dir/x.pdf"), "--dpi", "72"});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.err.find("message: Could not start print job."), std::string::npos)
        << unwritable.err;
    EXPECT_FALSE(std::filesystem::exists(pdf));
}
