#include <gtest/gtest.h>

#include <map>

#include "planning/content_requirement.h"

namespace kalvora {
namespace {

// The lines written out in full, keyed as the page's help describes them.
std::string Line(const std::string& key)
{
    static const std::map<std::string, std::string> lines{
        {"S", " - Single Graphic Source:    3.2 : 1 Aspect Ratio Image Required\r\n"},
        {"2", " - 2 Head Graphic Source:    3.2 : 1 Aspect Ratio Image Required\r\n"},
        {"3", " - 3 Head Graphic Source (1280 x 1024 resolution): 3277 x 1024 Image Size Required\r\n"},
        {"4", " - 4 Head Graphic Source (1280 x 1024 resolution): 3277 x 1024 Image Size Required\r\n"},
        {"5", " - 5 Head Graphic Source (1280 x 1024 resolution): 3277 x 1024 Image Size Required\r\n"},
        {"6", " - 6 Head Graphic Source (1280 x 1024 resolution): 3277 x 1024 Image Size Required\r\n"},
        {"7", " - 7 Head Graphic Source (1280 x 1024 resolution): 3277 x 1024 Image Size Required\r\n"},
        {"8", " - 8 Head Graphic Source (1280 x 1024 resolution): 3277 x 1024 Image Size Required\r\n"},
        {"MC", "                                      (Must be Centered)\r\n"},
        {"CL", "                                      (Center or Left Justified)\r\n"},
    };
    return lines.at(key);
}

TEST(ContentRequirement, LinesForEachProjectorCount)
{
    const std::vector<std::vector<std::string>> byCount{
        {"S", "CL"},
        {"S", "CL", "2", "MC"},
        {"S", "CL", "3", "CL"},
        {"S", "CL", "2", "MC", "4", "CL"},
        {"S", "CL", "5", "CL"},
        {"S", "CL", "2", "MC", "3", "CL", "6", "CL"},
        {"S", "CL", "7", "CL"},
        {"S", "CL", "2", "MC", "4", "CL", "8", "CL"},
    };
    for (int n = 1; n <= 8; ++n) {
        std::string expected;
        for (const auto& key : byCount[n - 1]) expected += Line(key);
        EXPECT_EQ(ContentRequirementText(n, "3.2", 1280, 1024, "3277", "1024").toStdString(), expected) << "n = " << n;
    }
}

TEST(ContentRequirement, CaptionsAsShownAndResolutionTruncated)
{
    EXPECT_EQ(ContentRequirementText(1, "", 800.9, 600, "N/A", "N/A").toStdString(),
              " - Single Graphic Source:     : 1 Aspect Ratio Image Required\r\n"
              "                                      (Center or Left Justified)\r\n");
    const QString three = ContentRequirementText(3, "?", 800.9, 600.2, "1365.33333333333", "768");
    EXPECT_TRUE(three.contains(" - 3 Head Graphic Source (800 x 600 resolution): 1365.33333333333 x 768 Image Size "
                               "Required\r\n"));
    // A count outside the list gives the single-source lines only.
    EXPECT_EQ(ContentRequirementText(0, "3", 1280, 1024, "1", "1"), ContentRequirementText(1, "3", 1280, 1024, "1", "1"));
    EXPECT_EQ(ContentRequirementText(9, "3", 1280, 1024, "1", "1").count("\r\n"), 2);
}

}  // namespace
}  // namespace kalvora
