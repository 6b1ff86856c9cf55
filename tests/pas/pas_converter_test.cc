#include "pas/pas_converter.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "pas/text.h"
#include "test_support.h"

namespace tnw::pas {
namespace {

using testing::convertText;
using testing::rowValues;
using testing::shownValue;
using testing::styleAt;
using V = std::vector<std::string>;

constexpr std::string_view kInfo = "TEST INFORMATION";

// Reports what the conversion sends, and cancels at a chosen line.
class RecordingProgress : public ProgressReporter {
 public:
  explicit RecordingProgress(int cancelAt = -1) : cancelAt_(cancelAt) {}
  void showProgress(std::string_view text, int kind) override {
    (kind == kPercent ? percents : statuses).emplace_back(text);
  }
  bool cancelRequested() override { return static_cast<int>(statuses.size()) == cancelAt_; }
  std::vector<std::string> percents, statuses;

 private:
  int cancelAt_;
};

TEST(ConversionLoop, EmptyFileGivesABlueSummaryOfNothing) {
  RecordingProgress progress;
  auto c = convertText("", &progress);
  EXPECT_TRUE(c->completed);
  EXPECT_EQ(shownValue(c->book, kInfo, "D2"), "0 lines scanned and converted (0 Errors detected)");
  sheet::CellStyle summary = styleAt(c->book, kInfo, "D2");
  EXPECT_TRUE(summary.bold && summary.italic);
  EXPECT_EQ(summary.fontColour, 0xFF0000);
  EXPECT_TRUE(progress.percents.empty());
}

TEST(ConversionLoop, BlankAndCommentLinesAreCountedButOnlyCommentsWritten) {
  auto c = convertText("\n# note\n   \n\t\n");
  EXPECT_EQ(shownValue(c->book, kInfo, "D2"), "4 lines scanned and converted (0 Errors detected)");
  EXPECT_EQ(rowValues(c->book, kInfo, 5), (V{"2", "#PAS COMMENT", "# note"}));
  EXPECT_EQ(testing::cellAt(c->book, kInfo, "D5")->kind, sheet::CellKind::kText);  // an empty value
  EXPECT_EQ(styleAt(c->book, kInfo, "C5").fill, 0x80FFFF);
  EXPECT_EQ(styleAt(c->book, kInfo, "O5").fill, 0x80FFFF);
  EXPECT_TRUE(styleAt(c->book, kInfo, "G5").italic);  // an empty description is still given
  EXPECT_EQ(c->book.lastRow(*c->book.findSheet(kInfo)), 5);
  EXPECT_EQ(c->converter.errorCount(), 0);
}

TEST(ConversionLoop, ErrorRowsAndTheSummaryWording) {
  auto one = convertText("nonsense\n");
  EXPECT_EQ(rowValues(one->book, kInfo, 5), (V{"1", "Could not parse line", "ERROR", "nonsense"}));
  EXPECT_EQ(styleAt(one->book, kInfo, "C5").fill, 0x4040FF);
  EXPECT_EQ(testing::cellAt(one->book, kInfo, "G5")->kind, sheet::CellKind::kBlank);  // no description, only the fill
  EXPECT_EQ(shownValue(one->book, kInfo, "D2"), "1 lines scanned and converted (1 Error detected)");
  EXPECT_EQ(styleAt(one->book, kInfo, "D2").fontColour, 0x0000FF);

  auto two = convertText("a,b\n~TEST DATA,RTEMP.DEGC,21.5\n");
  EXPECT_EQ(shownValue(two->book, kInfo, "D2"), "2 lines scanned and converted (2 Errors detected)");
  EXPECT_EQ(shownValue(two->book, kInfo, "D6"), "~TEST DATA,RTEMP.DEGC,21.5");
}

TEST(ConversionLoop, TheRawTrimmedLineIsKeptInTheErrorRow) {
  auto c = convertText("  ~Test Data , rtemp . degc ,25,x,  \r\n");
  EXPECT_EQ(shownValue(c->book, kInfo, "D5"), "~Test Data , rtemp . degc ,25,x,");
}

TEST(ConversionLoop, CanonicalRetryRecognisesLooseSpacingAndCase) {
  auto c = convertText("~TEST DATA , rtemp . degc ,25,Received,\n");
  EXPECT_EQ(rowValues(c->book, kInfo, 5), (V{"1", "~TEST DATA", "RTEMP.DEGC", "25", "", "", "Received Temperature"}));
  EXPECT_EQ(c->converter.errorCount(), 0);
}

TEST(ConversionLoop, SectionNamesDifferingInCaseAreNeverRecognised) {
  auto c = convertText("~test data,RTEMP.DEGC,25,x,\n");
  EXPECT_EQ(shownValue(c->book, kInfo, "B5"), "Could not parse line");
}

TEST(ConversionLoop, ASummaryRowLeavesTwoEmptyRowsBeforeLaterRows) {
  auto c = convertText("x\n");
  c->converter.writeInfoRow("S", "M", "v", std::nullopt, sheet::kNoColour);
  EXPECT_EQ(shownValue(c->book, kInfo, "B8"), "S");
}

TEST(ConversionLoop, ProgressIsSentForEveryLineAndPercentOnlyWhenItChanges) {
  RecordingProgress progress;
  std::string text;
  for (int i = 0; i < 300; ++i) text += (i % 3 == 0) ? "\n" : "# c\n";
  auto c = convertText(text, &progress);
  ASSERT_EQ(progress.statuses.size(), 300u);
  EXPECT_EQ(progress.statuses.front(), "Reading Line 1 of 300");
  EXPECT_EQ(progress.statuses.back(), "Reading Line 300 of 300");
  ASSERT_EQ(progress.percents.size(), 101u);  // each of 0 to 100 once
  EXPECT_EQ(progress.percents.front(), "0");
  EXPECT_EQ(progress.percents.back(), "100");
}

TEST(ConversionLoop, CancelStopsAtTheNextLineWithoutASummary) {
  RecordingProgress progress(2);
  auto c = convertText("a\nb\nc\n", &progress);
  EXPECT_FALSE(c->completed);
  EXPECT_TRUE(c->converter.cancelled());
  EXPECT_EQ(shownValue(c->book, kInfo, "D5"), "a");
  EXPECT_EQ(shownValue(c->book, kInfo, "D6"), "");
  EXPECT_EQ(shownValue(c->book, kInfo, "D2"), "");
}

TEST(ConversionLoop, AnEndOfFileMarkWithLinesAfterItIsReadPastAndNotedInD3) {
  std::string text;
  for (int i = 1; i <= 50; ++i) text += "line " + std::to_string(i) + (i == 21 ? "\x1A rest" : "") + "\n";
  auto c = convertText(text);
  EXPECT_EQ(shownValue(c->book, kInfo, "D2"), "50 lines scanned and converted (50 Errors detected)");
  EXPECT_EQ(shownValue(c->book, kInfo, "D3"),
            "End-of-file mark (Ctrl-Z) found on line 21: the 29 lines after it were read too");
  EXPECT_TRUE(styleAt(c->book, kInfo, "D3").italic);
  EXPECT_EQ(shownValue(c->book, kInfo, "D25"), "line 21 rest");
  EXPECT_EQ(c->book.lastRow(*c->book.findSheet(kInfo)), 54);  // a row per line, none for the note
  EXPECT_EQ(shownValue(convertText("line 1\r\n\x1A \r\n\x1A")->book, kInfo, "D3"), "");  // quietly at the end
}

// A reader that claims "~R" lines and, for "~R PEEK", looks at the line after it.
class PeekingReader : public readers::TestTypeReader {
 public:
  explicit PeekingReader(PasConverter& c) : TestTypeReader(c), c_(c) {}
  bool handleLine(std::string_view line) override {
    if (!startsWith(line, "~R")) return false;
    std::string next, second;
    bool peeked = line == "~R PEEK" && c_.peekLine(next);
    bool again = peeked && c_.peekLine(second);  // a second look is refused while one waits
    c_.writeValueRow("R", line, peeked ? "peeked" : "-", next, again ? "twice" : "once", sheet::kNoColour);
    return true;
  }
  bool handleComment(std::string_view) override { return false; }

 private:
  PasConverter& c_;
};

TEST(ConversionLoop, APeekedLineIsProcessedNextWithItsOwnLineNumber) {
  sheet::MemoryWorkbook book;
  PasConverter converter(&book, testing::testLayout());
  converter.useReader(std::make_unique<PeekingReader>(converter));
  auto source = LineSource::fromBytes("~R PEEK\n  ~R next  \n~R PEEK\n\n~R after blank\n");
  ASSERT_TRUE(converter.convert(*source, nullptr));
  EXPECT_EQ(rowValues(book, "R", 2), (V{"1", "~R PEEK", "peeked", "~R next", "", "", "once"}));
  EXPECT_EQ(rowValues(book, "R", 3), (V{"2", "~R next", "-", "", "", "", "once"}));
  EXPECT_EQ(rowValues(book, "R", 4), (V{"3", "~R PEEK", "peeked", "", "", "", "once"}));
  // The peeked blank line still counts, so the next line keeps its true number.
  EXPECT_EQ(rowValues(book, "R", 5), (V{"5", "~R after blank", "-", "", "", "", "once"}));
  EXPECT_EQ(shownValue(book, kInfo, "D2"), "5 lines scanned and converted (0 Errors detected)");
}

TEST(ConversionLoop, PeekingOutsideAConversionFails) {
  PasConverter converter(nullptr);
  std::string out = "x";
  EXPECT_FALSE(converter.peekLine(out));
  EXPECT_EQ(out, "");
}

TEST(ConversionLoop, WithoutAWorkbookNothingIsWrittenButSectionsAreRecorded) {
  PasConverter converter(nullptr);
  auto source = LineSource::fromBytes("~VERSION,VERS.,2.0,x,\nbad\n");
  EXPECT_TRUE(converter.convert(*source, nullptr));
  EXPECT_EQ(converter.lastSection(), "Could not parse line");
  EXPECT_EQ(converter.versionText(), "2.0");
}

TEST(Canonical, NormalisesSectionAndMnemonicOnly) {
  PasConverter c(nullptr);
  std::string out;
  EXPECT_TRUE(c.canonicalize("~Test Data , rtemp . degc ,25,Received Temperature,", out));
  EXPECT_EQ(out, "~Test Data,RTEMP.DEGC,25,Received Temperature,");
  EXPECT_TRUE(c.canonicalize("~ANALYSIS-INTERPRETATION(1),htim.hr,2 . 5,a b,", out));
  EXPECT_EQ(out, "~ANALYSIS - INTERPRETATION (1),HTIM.HR,2 . 5,a b,");
  EXPECT_TRUE(c.canonicalize("~DATA TABLE - GAUGE (n),x,1,", out));
  EXPECT_EQ(out, "~DATA TABLE - GAUGE (0),X,1,");
  EXPECT_TRUE(c.canonicalize("~HEADER DATA  -  GAUGE (#),x,1,", out));
  EXPECT_EQ(out, "~HEADER DATA - GAUGE (0),X,1,");
  EXPECT_TRUE(c.canonicalize("(a,x,1,", out));
  EXPECT_EQ(out, " (a,X,1,");
}

TEST(Canonical, KeepsTheWordOrBetweenBlanks) {
  PasConverter c(nullptr);
  std::string out;
  EXPECT_TRUE(c.canonicalize("~S,rxxa . m or m3,5,", out));
  EXPECT_EQ(out, "~S,RXXA.M OR M3,5,");
}

TEST(Canonical, EdgesOfTheFields) {
  PasConverter c(nullptr);
  std::string out = "left over";
  EXPECT_TRUE(c.canonicalize("no comma at all", out));
  EXPECT_EQ(out, "");
  EXPECT_FALSE(c.canonicalize("~A,B.C,1,", out));  // already canonical
  EXPECT_FALSE(c.canonicalize("~A,b", out));  // no second comma: the tail stays
  EXPECT_EQ(out, "~A,b");
  EXPECT_TRUE(c.canonicalize(" ~A , b", out));
  EXPECT_EQ(out, "~A, b");
  EXPECT_FALSE(c.canonicalize("~A,", out));
  EXPECT_EQ(out, "~A,");
}

// A reader that only answers which sections are data tables.
class TableReader : public readers::TestTypeReader {
 public:
  using TestTypeReader::TestTypeReader;
  bool handleLine(std::string_view) override { return false; }
  bool handleComment(std::string_view) override { return false; }
};

TEST(Canonical, DataTableRowsKeepTheirFields) {
  PasConverter c(nullptr);
  c.useReader(std::make_unique<TableReader>(c));
  std::string out;
  EXPECT_TRUE(c.canonicalize("~DTG(1) , a b ,c d,", out));
  EXPECT_EQ(out, "~DTG (1), a b ,c d,");
  EXPECT_TRUE(c.canonicalize("~OTHER , a b ,c d,", out));
  EXPECT_EQ(out, "~OTHER,AB,c d,");
}

TEST(HeaderSections, VersionLineWorkedExample) {
  auto c = convertText("# one\n\n~VERSION,VERS.,2.0,PAS file version,\n");
  EXPECT_EQ(rowValues(c->book, kInfo, 6), (V{"3", "~VERSION", "VERS.", "2", "", "", "PAS file version"}));
  EXPECT_TRUE(styleAt(c->book, kInfo, "C6").bold);
  sheet::CellStyle description = styleAt(c->book, kInfo, "G6");
  EXPECT_TRUE(description.italic);
  EXPECT_EQ(description.fontColour, 0x808080);
  EXPECT_EQ(styleAt(c->book, kInfo, "C6").fill, sheet::kNoColour);
  EXPECT_EQ(c->book.numberFormat(styleAt(c->book, kInfo, "D6").numberFormat), "0.0");  // shows 2.0
  EXPECT_EQ(c->converter.versionText(), "2.0");
}

TEST(HeaderSections, KeptFieldsAndTableMnemonics) {
  auto c = convertText(
      "~VERSION,UNIT.,METRIC,,\n"
      "~WELL INFORMATION,UWI., 100/01-02-003-04W5/0 ,Unique well id,\n"
      "~WELL INFORMATION,LINR.,Y,,\n"
      "~TEST DATA,PPC.KPAA,4600,,\n"
      "~WELL INFORMATION,COMP., Acme ,x,\n"
      "~WELL INFORMATION,FORM.,Leduc,x,\n");
  EXPECT_EQ(shownValue(c->book, kInfo, "C5"), "UNIT.");
  EXPECT_EQ(c->converter.typeText(), "");
  EXPECT_EQ(shownValue(c->book, kInfo, "D6"), " 100/01-02-003-04W5/0 ");
  EXPECT_EQ(c->converter.uwi(), "100/01-02-003-04W5/0");
  EXPECT_EQ(shownValue(c->book, kInfo, "C7"), "LINR");
  EXPECT_EQ(shownValue(c->book, kInfo, "C8"), "PPC.KPAA.");
  EXPECT_EQ(c->converter.company(), "Acme");
  EXPECT_EQ(c->converter.formation(), "Leduc");
  EXPECT_EQ(shownValue(c->book, kInfo, "G6"), "Unique Well ID");  // the table's, not the file's
}

TEST(HeaderSections, UnknownMnemonicsAndMissingCommasAreNotRecognised) {
  auto c = convertText(
      "~TEST DATA,NOPE.,1,x,\n"
      "~VERSION,VERS.,2.0\n"
      "~VERSION,PASTYPE.,DST,\n"
      "~VERSION,TYPE.,,\n");
  EXPECT_EQ(shownValue(c->book, kInfo, "B5"), "Could not parse line");
  EXPECT_EQ(shownValue(c->book, kInfo, "B6"), "Could not parse line");
  EXPECT_EQ(shownValue(c->book, kInfo, "C7"), "PASTYPE.");  // not taken for TYPE.
  EXPECT_EQ(shownValue(c->book, kInfo, "C8"), "TYPE.");     // an empty value still matches
  EXPECT_EQ(c->converter.typeText(), "");
}

TEST(HeaderSections, ATestDataValueIsCutAtItsFirstComma) {
  auto c = convertText("~TEST DATA,ANAM.,Smith, J.,Analyst Name,\n");
  EXPECT_EQ(shownValue(c->book, kInfo, "D5"), "Smith");
}

TEST(HeaderSections, EveryTableEntryIsRecognisedWithItsRowTexts) {
  struct Case {
    std::string line, mnemonic, description;
  };
  std::vector<Case> cases = {
      {"~WELL INFORMATION,WHDP.M,1,,", "WHDP.M", "Whipstock Depth  M KB (TVD)"},
      {"~WELL INFORMATION,TULD.,1,,", "TULD", "Tubing in Well"},
      {"~WELL INFORMATION,TULD.M,1,,", "TULD.M", "Tubing Landed Depth M KB (TVD)"},
      {"~WELL INFORMATION,PACKER.,1,,", "PACKER", "Packer Indicator Flag"},
      {"~TEST DATA,SERCO.,1,,", "SERCO", "Service Company Code"},
      {"~TEST DATA,SPRAY.HR,1,,", "SPRAY.HR", "Time for Sprat to Clear"},
      {"~TEST DATA,GEQV.E3M3/D,1,,", "GEQV.E3M3/D", "Gas Equivalent of Condensate"},
      {"~TEST DATA,RTEMP.DEGC,1,,", "RTEMP.DEGC", "Received Temperature"},
      {"~TEST DATA,WANC.,1,,", "WANC.", "Comment"},
  };
  for (const Case& t : cases) {
    auto c = convertText(t.line + "\n");
    EXPECT_EQ(shownValue(c->book, kInfo, "C5"), t.mnemonic) << t.line;
    EXPECT_EQ(shownValue(c->book, kInfo, "G5"), t.description) << t.line;
  }
}

TEST(HeaderScan, StopsRightAfterTheLineThatCompletesTheFacts) {
  std::string text =
      "# comment\n\n~VERSION,PASTYPE.,DST,,\n~WELL INFORMATION,UWI.,100/1,,\n"
      "~WELL INFORMATION,COMP.,Acme,,\n~WELL INFORMATION,FORM.,Leduc,,\n"
      "~VERSION,VERS.,9.9,,\n";
  PasConverter converter(nullptr);
  auto source = LineSource::fromBytes(text);
  EXPECT_TRUE(converter.scanHeader(*source));
  EXPECT_EQ(converter.typeText(), "DST");
  EXPECT_EQ(converter.formation(), "Leduc");
  EXPECT_EQ(converter.versionText(), "");  // the scan had stopped before it
}

TEST(HeaderScan, ReadsAtMost102LinesThatAreNeitherBlankNorComments) {
  auto scanWith = [](int fillers) {
    std::string text = "~VERSION,PASTYPE.,DST,,\n~WELL INFORMATION,UWI.,1,,\n~WELL INFORMATION,COMP.,C,,\n";
    for (int i = 0; i < fillers; ++i) text += "~X,y,\n\n# c\n";
    text += "~WELL INFORMATION,FORM.,F,,\n";
    PasConverter converter(nullptr);
    auto source = LineSource::fromBytes(text);
    converter.scanHeader(*source);
    return converter.formation();
  };
  EXPECT_EQ(scanWith(98), "F");  // the 102nd such line
  EXPECT_EQ(scanWith(99), "");   // the 103rd is not read
}

TEST(HeaderScan, StartsFromTheTopAndKeepsTheVersion) {
  PasConverter converter(nullptr);
  auto source = LineSource::fromBytes("~VERSION,VERS.,2.0,,\n~VERSION,TYPE.,SG,,\n");
  std::string line;
  source->readLine(line);
  converter.scanHeader(*source);
  EXPECT_EQ(converter.versionText(), "2.0");
  EXPECT_EQ(converter.typeText(), "SG");
  auto other = LineSource::fromBytes("~VERSION,TYPE.,GRD,,\n");
  converter.scanHeader(*other);
  EXPECT_EQ(converter.versionText(), "2.0");
  EXPECT_EQ(converter.typeText(), "GRD");
}

constexpr std::string_view kVerification =
    "~FILE VERIFICATION,WTCNUM,WTC2025061187,AER WTC Tracking ID,\n"
    "~FILE VERIFICATION,WTCDAT,2025 06 12 1447,Submission/Acceptance Date,\n"
    "~FILE VERIFICATION,WTCSUB, M. Okafor ,Submitter,\n"
    "~FILE VERIFICATION,COMP.,Hollowmere Resources,Licensee Name,\n";

TEST(FileVerification, FourRowsOnTheGeneralSheetWithTheTableTexts) {
  auto c = convertText(std::string(kVerification) + "~WELL INFORMATION,COMP.,Acme Ltd.,,\n");
  EXPECT_EQ(rowValues(c->book, kInfo, 5),
            (V{"1", "~FILE VERIFICATION", "WTCNUM", "WTC2025061187", "", "", "AER WTC Tracking ID"}));
  EXPECT_EQ(rowValues(c->book, kInfo, 6),
            (V{"2", "~FILE VERIFICATION", "WTCDAT", "2025 06 12 1447", "", "", "Submission/Acceptance Date"}));
  EXPECT_EQ(rowValues(c->book, kInfo, 7), (V{"3", "~FILE VERIFICATION", "WTCSUB", " M. Okafor ", "", "", "Submitter"}));
  EXPECT_EQ(rowValues(c->book, kInfo, 8),
            (V{"4", "~FILE VERIFICATION", "COMP.", "Hollowmere Resources", "", "", "Licensee Name"}));
  EXPECT_EQ(c->converter.errorCount(), 0);
  // The licensee is not the well's company, whichever comes first.
  EXPECT_EQ(c->converter.company(), "Acme Ltd.");
  const FileVerification& v = c->converter.fileVerification();
  EXPECT_EQ(v.trackingId, "WTC2025061187");
  EXPECT_EQ(v.submissionDate, "2025 06 12 1447");
  EXPECT_EQ(v.submitter, "M. Okafor");
  EXPECT_EQ(v.licensee, "Hollowmere Resources");

  auto after = convertText("~WELL INFORMATION,COMP.,Acme Ltd.,,\n~FILE VERIFICATION,COMP.,Other,,\n");
  EXPECT_EQ(after->converter.company(), "Acme Ltd.");
}

TEST(FileVerification, SpellingsWithAndWithoutTheDotAndLooseSpacing) {
  auto c = convertText(
      "~FILE VERIFICATION,WTCNUM.,A1,,\n"
      "~FILE VERIFICATION,COMP,Lic,,\n"
      "~FILE VERIFICATION , wtcsub . ,Sub,,\n"
      "~FILE  VERIFICATION,WTCDAT,2025 01 02 0304,,\n"
      "~FILE VERIFICATION,WTCNUMBER,x,,\n"
      "~File Verification,WTCNUM,x,,\n");
  EXPECT_EQ(rowValues(c->book, kInfo, 5), (V{"1", "~FILE VERIFICATION", "WTCNUM", "A1", "", "", "AER WTC Tracking ID"}));
  EXPECT_EQ(rowValues(c->book, kInfo, 6), (V{"2", "~FILE VERIFICATION", "COMP.", "Lic", "", "", "Licensee Name"}));
  EXPECT_EQ(rowValues(c->book, kInfo, 7), (V{"3", "~FILE VERIFICATION", "WTCSUB", "Sub", "", "", "Submitter"}));
  EXPECT_EQ(shownValue(c->book, kInfo, "C8"), "WTCDAT");
  EXPECT_EQ(testing::errorsOf(*c), "~FILE VERIFICATION,WTCNUMBER,x,,\n~File Verification,WTCNUM,x,,\n");
}

// The regulator appends the section to files of every type; the section may also stand first.
TEST(FileVerification, RecognisedFirstOrLastInAFileOfEveryType) {
  for (const char* name : {"drillstem-test.pas", "drillstem-test-v3.pas", "production-test.pas",
                           "absolute-open-flow.pas", "transient-flow-test.pas", "acoustic-well-sounder.pas",
                           "gradient.pas", "static-gradient.pas", "gas-analysis.pas", "oil-analysis.pas",
                           "water-analysis.pas"}) {
    std::string text = testing::readExample(name);
    int32_t errors = convertText(text)->converter.errorCount();
    for (const std::string& variant : {text + std::string(kVerification), std::string(kVerification) + text}) {
      auto c = convertText(variant);
      EXPECT_EQ(c->converter.errorCount(), errors) << name;
      EXPECT_EQ(c->converter.fileVerification().licensee, "Hollowmere Resources") << name;
      EXPECT_FALSE(c->converter.typeText().empty()) << name;
    }
  }
}

TEST(HeaderScan, TriesTheCanonicalFormOfALineAsTheConversionDoes) {
  std::string text =
      "~VERSION , pastype . ,DST,,\n~WELL INFORMATION,UWI .,100/14-33-061-02W6/00,,\n"
      "~WELL INFORMATION,comp.,Acme,,\n~WELL INFORMATION , Form . , Montney ,,\n";
  PasConverter scan(nullptr);
  auto source = LineSource::fromBytes(text);
  scan.scanHeader(*source);
  EXPECT_EQ(scan.typeText(), "DST");
  EXPECT_EQ(scan.uwi(), "100/14-33-061-02W6/00");
  EXPECT_EQ(scan.company(), "Acme");
  EXPECT_EQ(scan.formation(), "Montney");
  // ...and finds exactly what the conversion finds.
  auto c = convertText(text);
  EXPECT_EQ(c->converter.uwi(), scan.uwi());
  EXPECT_EQ(c->converter.formation(), scan.formation());
  // A section name in other letters is no more recognised by the scan than by the conversion.
  PasConverter other(nullptr);
  auto lower = LineSource::fromBytes("~Well Information,UWI.,1,,\n");
  other.scanHeader(*lower);
  EXPECT_EQ(other.uwi(), "");
}

TEST(HeaderScan, FileVerificationIsReadFromTheWholeFile) {
  std::string text = "~VERSION,PASTYPE.,GAN,,\n";
  for (int i = 0; i < 300; ++i) text += "~GAS ANALYSIS,C1.FRACTION,0.8,,\n";
  PasConverter scan(nullptr);
  auto plain = LineSource::fromBytes(text);
  scan.scanFileVerification(*plain);
  EXPECT_FALSE(scan.fileVerification().trackingId || scan.fileVerification().submissionDate ||
               scan.fileVerification().submitter || scan.fileVerification().licensee);
  auto accepted = LineSource::fromBytes(text + "~FILE VERIFICATION , wtcnum ,WTC1,,\n" + "~FILE VERIFICATION,WTCSUB,,,\n");
  scan.scanHeader(*accepted);
  EXPECT_FALSE(scan.fileVerification().trackingId);  // past the lines the header scan reads
  scan.scanFileVerification(*accepted);
  EXPECT_EQ(scan.fileVerification().trackingId, "WTC1");
  EXPECT_EQ(scan.fileVerification().submitter, "");  // given, and empty
  EXPECT_FALSE(scan.fileVerification().licensee);
  EXPECT_EQ(scan.typeText(), "GAN");  // nothing else is touched
}

TEST(LooksLikePas, EveryExampleDoesAndTextWithoutAKnownSectionDoesNot) {
  auto judged = [](const std::string& text) {
    PasConverter scan(nullptr);
    scan.scanHeader(*LineSource::fromBytes(text));
    EXPECT_EQ(scan.looksLikePas(), convertText(text)->converter.looksLikePas()) << "the scan and the conversion agree";
    return scan.looksLikePas();
  };
  for (const auto& entry : std::filesystem::directory_iterator(testing::sourcePath("examples")))
    EXPECT_TRUE(judged(testing::readFile(entry.path().string()))) << entry.path();
  EXPECT_FALSE(judged("Shopping list\n~ eggs, milk\n#VERSION 2\n"));  // binary and empty files: tests/hostile
  EXPECT_TRUE(judged("~WELL INFORMATION , uwi . ,1,,\n"));              // a known section alone, loosely spaced
}

}  // namespace
}  // namespace tnw::pas
