#include "cli/input/apply_plan.h"

#include <gtest/gtest.h>

namespace cli {
namespace {

std::vector<PlanRow> rowsOf(std::string_view content) {
  const ApplyPlan plan = readApplyPlan("plan.csv", content);
  if (const auto* error = std::get_if<PlanError>(&plan)) {
    ADD_FAILURE() << error->text();
    return {};
  }
  return std::get<std::vector<PlanRow>>(plan);
}

std::string errorOf(std::string_view content) {
  const ApplyPlan plan = readApplyPlan("plan.csv", content);
  const auto* error = std::get_if<PlanError>(&plan);
  return error == nullptr ? "no error" : error->text();
}

TEST(CsvLineTest, PlainQuotedAndEmptyCells) {
  using Cells = std::vector<std::string>;
  EXPECT_EQ(splitCsvLine("a,b,,c"), (Cells{"a", "b", "", "c"}));
  EXPECT_EQ(splitCsvLine(" a , b\t,"), (Cells{"a", "b", ""}));
  EXPECT_EQ(splitCsvLine(R"("x, y" ,"say ""hi""","")"), (Cells{"x, y", R"(say "hi")", ""}));
  EXPECT_EQ(splitCsvLine(""), (Cells{""}));
  EXPECT_EQ(splitCsvLine(R"("open,b)"), std::nullopt);
  EXPECT_EQ(splitCsvLine(R"("a"b,c)"), std::nullopt);
}

TEST(ApplyPlanTest, FullRowsInAnyColumnOrderWithCrlfAndBlankLines) {
  const auto rows = rowsOf(
      "name,mac,mode,ip,mask,gateway\r\n"
      "\r\n"
      "cam one,02:11:22:33:44:55,persistent,192.168.10.50,255.255.255.0,192.168.10.1\r\n"
      "\"a, b\",02-11-22-33-44-AA,dhcp,,,\r\n");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].line, 3);
  EXPECT_EQ(rows[0].mac.getMacInStr(false), "02:11:22:33:44:55");
  EXPECT_EQ(rows[0].mode, IpMode::kPersistent);
  EXPECT_EQ(rows[0].persistent, (AddressSet::fromHost(0xC0A80A32, 0xFFFFFF00, 0xC0A80A01)));
  EXPECT_EQ(rows[0].name, "cam one");
  EXPECT_EQ(rows[1].line, 4);
  EXPECT_EQ(rows[1].mode, IpMode::kDhcp);
  EXPECT_EQ(rows[1].persistent, std::nullopt);
  EXPECT_EQ(rows[1].name, "a, b");
}

TEST(ApplyPlanTest, EmptyCellsLeaveSettingsAsTheyAre) {
  const auto rows = rowsOf(
      "mac,mode,ip,mask,gateway,name\n"
      "02:11:22:33:44:55,persistent,,,,\n"
      "02:11:22:33:44:56,,,,,renamed\n"
      "02:11:22:33:44:57,,,,,\n");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].mode, IpMode::kPersistent);
  EXPECT_EQ(rows[0].persistent, std::nullopt);  // the camera's own persistent address
  EXPECT_EQ(rows[1].mode, std::nullopt);
  EXPECT_EQ(rows[1].name, "renamed");
  EXPECT_FALSE(rows[2].mode || rows[2].persistent || rows[2].name);
}

TEST(ApplyPlanTest, HeaderOnlyIsAnEmptyPlanAndMacAloneIsAHeader) {
  EXPECT_TRUE(rowsOf("mac,mode,ip,mask,gateway,name\n").empty());
  EXPECT_EQ(rowsOf("mac\n02:11:22:33:44:55").size(), 1u);
}

struct BadPlan {
  const char* content;
  const char* error;
};

class MalformedPlanTest : public ::testing::TestWithParam<BadPlan> {};

TEST_P(MalformedPlanTest, NamesFileLineAndFault) {
  EXPECT_EQ(errorOf(GetParam().content), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, MalformedPlanTest,
    ::testing::Values(
        BadPlan{"",
                "plan.csv:1: empty file; the first line names the columns, e.g. "
                "mac,mode,ip,mask,gateway,name"},
        BadPlan{"\n\nmac,mode,adress\n",
                "plan.csv:3: unknown column 'adress' (known: mac,mode,ip,mask,gateway,name)"},
        BadPlan{"mode,ip\n", "plan.csv:1: no mac column"},
        BadPlan{"mac,mode,mac\n", "plan.csv:1: column 'mac' twice"},
        BadPlan{"mac,mode\n02:11:22:33:44:55\n", "plan.csv:2: 1 cells, the header has 2"},
        BadPlan{"mac,mode\n\"02:11:22:33:44:55,lla\n", "plan.csv:2: unbalanced quote"},
        BadPlan{"mac,mode\n02:11:22:33:44,lla\n", "plan.csv:2: bad mac '02:11:22:33:44'"},
        BadPlan{"mac,mode\n02:11:22:33:44:55,static\n",
                "plan.csv:2: bad mode 'static' (persistent, dhcp or lla)"},
        BadPlan{"mac,mode,ip,mask\n02:11:22:33:44:55,persistent,192.168.10.255,255.255.255.0\n",
                "plan.csv:2: ip 192.168.10.255: the broadcast address of its subnet"},
        BadPlan{"mac,mode,ip,mask\n02:11:22:33:44:55,persistent,192.168.10.5,255.0.255.0\n",
                "plan.csv:2: mask 255.0.255.0: not a contiguous subnet mask"},
        BadPlan{"mac,mode,ip,mask,gateway\n02:11:22:33:44:55,persistent,10.0.0.5,255.0.0.0,"
                "11.0.0.1\n",
                "plan.csv:2: gateway 11.0.0.1: not in the subnet of 10.0.0.5/8"},
        BadPlan{"mac,mode,ip,mask\n02:11:22:33:44:55,dhcp,192.168.10.5,255.255.255.0\n",
                "plan.csv:2: ip, mask and gateway need mode persistent"},
        BadPlan{"mac,mode,ip,mask\n02:11:22:33:44:55,persistent,192.168.10.5,\n",
                "plan.csv:2: ip and mask go together"},
        BadPlan{"mac,name\n02:11:22:33:44:55,a name of sixteen\n",
                "plan.csv:2: name 'a name of sixteen': longer than 15 bytes"},
        BadPlan{"mac,name\n02:11:22:33:44:55,\"tab\there\"\n",
                "plan.csv:2: name 'tab?here': not printable ASCII"},
        BadPlan{"mac,mode\n02:11:22:33:44:55,lla\n\n02:11:22:33:44:56,lla\n"
                "02-11-22-33-44-55,dhcp\n",
                "plan.csv:5: duplicate mac 02:11:22:33:44:55 (first on line 2)"}));

TEST(ApplyPlanTest, ALaterErrorStillRejectsTheWholeFile) {
  EXPECT_EQ(errorOf("mac,mode\n02:11:22:33:44:55,lla\n02:11:22:33:44:56,lla\nnot-a-mac,lla\n"),
            "plan.csv:4: bad mac 'not-a-mac'");
}

}  // namespace
}  // namespace cli
