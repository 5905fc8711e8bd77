// Datalog CSV files read back for their charts: columns, values, and where lines break.
#include <gtest/gtest.h>

#include "datalog/DatalogChartData.h"

namespace {

using transfer::ParseDatalogCsvText;

TEST(DatalogChartData, ChannelsValuesAndGaps) {
    // Logged every 10 s, a pause of a minute, and a record without channel 2.
    const std::string csv = "DATE(DD/MM/YY);TIME(hh:mm:ss);Level (\xB0"
                            "C);DATALOG_2;\r\n"
                            "31/12/26;23:59:40;1,5;-3\r\n"
                            "31/12/26;23:59:50;-0,25;4\r\n"
                            "01/01/27;00:00:00;2;\r\n"
                            "01/01/27;00:01:00;3;5\r\n"
                            "01/01/27;00:01:10;4;6\r\n";
    std::string error;
    auto data = ParseDatalogCsvText(csv, "a.csv", error);
    ASSERT_TRUE(data) << error;
    EXPECT_EQ(data->records, 5u);
    ASSERT_EQ(data->channels.size(), 2u);
    EXPECT_EQ(data->channels[0].name, "Level (\xC2\xB0"
                                      "C)");
    // Channel 1 breaks at the minute's pause only.
    ASSERT_EQ(data->channels[0].segments.size(), 2u);
    EXPECT_EQ(data->channels[0].segments[0].size(), 3u);
    EXPECT_DOUBLE_EQ(data->channels[0].segments[0][1].value, -0.25);
    // Across the year's end the time goes on by 10 s.
    EXPECT_EQ(data->channels[0].segments[0][2].civilSeconds -
                  data->channels[0].segments[0][1].civilSeconds,
              10);
    // Channel 2 also breaks where its value is missing.
    ASSERT_EQ(data->channels[1].segments.size(), 2u);
    EXPECT_EQ(data->channels[1].segments[0].size(), 2u);
    EXPECT_EQ(data->channels[1].segments[1].size(), 2u);

    // "," as the field separator and "." for decimals.
    auto comma = ParseDatalogCsvText("DATE(DD/MM/YY),TIME(hh:mm:ss),E,\r\n"
                                     "01/02/26,12:00:00,100.000\r\n",
                                     "b.csv", error);
    ASSERT_TRUE(comma) << error;
    EXPECT_DOUBLE_EQ(comma->channels[0].segments[0][0].value, 100.0);
    EXPECT_EQ(transfer::CivilSeconds(0, 1, 2, 0, 0, 1), 86401);
    EXPECT_EQ(transfer::CivilSeconds(24, 3, 1, 0, 0, 0) -
                  transfer::CivilSeconds(24, 2, 28, 0, 0, 0),
              2 * 86400); // 2024 is a leap year
}

TEST(DatalogChartData, RefusesWhatIsNotADatalogFile) {
    std::string error;
    EXPECT_FALSE(ParseDatalogCsvText("", "e.csv", error));
    EXPECT_EQ(error, "e.csv is not a datalog CSV file.");
    EXPECT_FALSE(ParseDatalogCsvText("a;b\r\n", "x.csv", error));
    EXPECT_FALSE(ParseDatalogCsvText("DATE(DD/MM/YY);TIME(hh:mm:ss);A;\r\n1/2;10:00:00;1\r\n",
                                     "y.csv", error));
    EXPECT_EQ(error, "y.csv: line 2 is not a datalog record.");
    // A header alone is an empty chart.
    auto empty = ParseDatalogCsvText("DATE(DD/MM/YY);TIME(hh:mm:ss);A;\r\n", "z.csv", error);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->channels[0].segments.empty());
}

} // namespace
