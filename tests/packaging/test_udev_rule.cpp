// The udev rule of the package marks exactly the ports the port list marks: the same
// "<manufacturer> <product>" texts, matched on the same two USB attributes.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "comm/PortEnumeration.h"

namespace {

// A udev match pattern: '|' separates alternatives; '*' and '?' are wildcards.
bool GlobMatch(const std::string& pattern, const std::string& text) {
    std::size_t start = 0;
    while (true) {
        std::size_t bar = pattern.find('|', start);
        std::string alternative = pattern.substr(start, bar - start);
        std::string regex;
        for (char c : alternative) {
            if (c == '*')
                regex += ".*";
            else if (c == '?')
                regex += ".";
            else if (std::isalnum(static_cast<unsigned char>(c)) || c == ' ')
                regex += c;
            else
                regex += std::string("\\") + c;
        }
        if (std::regex_match(text, std::regex(regex)))
            return true;
        if (bar == std::string::npos)
            return false;
        start = bar + 1;
    }
}

// The attribute patterns of each rule line that leads to the port's settings.
std::vector<std::map<std::string, std::string>> PortMatches(const std::string& path) {
    std::ifstream in(path);
    EXPECT_TRUE(in) << path;
    std::vector<std::map<std::string, std::string>> matches;
    const std::regex attribute(R"re(ATTRS\{(\w+)\}=="([^"]*)")re");
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#' ||
            line.find("GOTO=\"quorvel_port\"") == std::string::npos)
            continue;
        std::map<std::string, std::string> match;
        for (std::sregex_iterator it(line.begin(), line.end(), attribute), end; it != end; ++it)
            match[(*it)[1]] = (*it)[2];
        EXPECT_FALSE(match.empty()) << line;
        matches.push_back(match);
    }
    return matches;
}

bool RuleMatches(const std::vector<std::map<std::string, std::string>>& rules,
                 const std::string& manufacturer, const std::string& product) {
    const std::map<std::string, std::string> attributes{{"manufacturer", manufacturer},
                                                        {"product", product}};
    for (const auto& rule : rules) {
        bool all = true;
        for (const auto& [name, pattern] : rule)
            all = all && attributes.count(name) && GlobMatch(pattern, attributes.at(name));
        if (all)
            return true;
    }
    return false;
}

// Whether the port list marks a USB device of these texts, named as the port scan names it.
bool PortListMarks(const std::string& manufacturer, const std::string& product) {
    std::string text = manufacturer;
    if (!product.empty())
        text += (text.empty() ? "" : " ") + product;
    if (text.empty())
        return false;
    std::vector<std::string> entries{"ttyACM0"};
    comm::AnnotatePortList(entries, {text + " (ttyACM0)"});
    return entries[0] != "ttyACM0";
}

} // namespace

TEST(UdevRule, MatchesTheDevicesThePortListMarks) {
    auto rules = PortMatches(QUORVEL_UDEV_RULE);
    ASSERT_GE(rules.size(), 4u);
    const std::vector<std::pair<std::string, std::string>> devices{
        {"Vellmor", "USB cable"},
        {"Vellmor", ""},
        {"Vellmor GmbH", "Programming cable"},
        {"", "Vellmor"},
        {"ACME", "Vellmor link"},
        {"Vellmorx", "cable"},
        {"NotVellmor-x", "y"},
        {"Acme", "kz9 cable"},
        {"kz9 systems", ""},
        {"Acme", "KZ9 cable"},
        {"Bluegiga", "Bluetooth Low Energy Dongle"},
        {"Silicon Labs Bluegiga", "Bluetooth Low Energy"},
        {"", "Bluegiga Bluetooth Low Energy"},
        {"Bluegiga Bluetooth", "Low Energy"},
        {"Bluegiga Bluetooth Low", "Energy"},
        {"Bluegiga", "Low Energy Dongle"},
        {"Bluegiga", ""},
        {"FTDI", "FT232R USB UART"},
        {"", ""},
    };
    int marked = 0;
    for (const auto& [manufacturer, product] : devices) {
        bool listed = PortListMarks(manufacturer, product);
        marked += listed;
        EXPECT_EQ(RuleMatches(rules, manufacturer, product), listed)
            << "manufacturer \"" << manufacturer << "\", product \"" << product << "\"";
    }
    EXPECT_GE(marked, 10); // the cases cover both answers
}

TEST(UdevRule, GivesDialoutAndKeepsModemManagerAway) {
    std::ifstream in(QUORVEL_UDEV_RULE);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t label = text.find("LABEL=\"quorvel_port\"\n");
    ASSERT_NE(label, std::string::npos);
    std::string settings = text.substr(label, text.find('\n', label + 21) - label);
    EXPECT_NE(settings.find("GROUP=\"dialout\""), std::string::npos) << settings;
    EXPECT_NE(settings.find("MODE=\"0660\""), std::string::npos) << settings;
    EXPECT_NE(settings.find("ENV{ID_MM_DEVICE_IGNORE}=\"1\""), std::string::npos) << settings;
    // Only serial ports, and never on removal.
    EXPECT_NE(text.find("SUBSYSTEM!=\"tty\", GOTO=\"quorvel_end\""), std::string::npos);
    EXPECT_LT(text.find("ACTION==\"remove\""), label);
}
