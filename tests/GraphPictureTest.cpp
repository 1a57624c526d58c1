// The graph picture's boxes hold their text: every line inside its box (as the picture measures
// text), no two lines of a box on top of each other, a line cut to fit keeps its whole text as a
// tooltip, and a matrix shows its translation row.
#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <string>
#include <vector>

#include "output/SvgMarkup.h"
#include "view/GraphPicture.h"

namespace quantifier_run {
namespace {

struct Text {
    double left, right, baseline;
    std::string shown;
};

// A box's texts, their extents measured as the picture measures them (bold a little wider).
std::vector<Text> Texts(const std::string& group) {
    static const std::regex text(R"re(<text([^>]*)>(?:<title>[^<]*</title>)?([^<]*)</text>)re");
    static const std::regex x(R"re( x="([-0-9.]+)")re"), y(R"re( y="([-0-9.]+)")re");
    std::vector<Text> texts;
    for (std::sregex_iterator it(group.begin(), group.end(), text), end; it != end; ++it) {
        const std::string attributes = (*it)[1], shown = (*it)[2];
        std::smatch at;
        std::regex_search(attributes, at, x);
        const double left = std::stod(at[1]);
        std::regex_search(attributes, at, y);
        const double scale = attributes.find("bold") != std::string::npos ||
                                     attributes.find("mark") != std::string::npos
                                 ? 1.12
                                 : 1.0;
        // The picture's text is escaped: count each entity as the one character it stands for.
        const std::string plain = std::regex_replace(shown, std::regex("&[a-z]+;"), "_");
        const double width = static_cast<double>(Characters(plain)) * kCharWidth * scale;
        const bool anchoredAtEnd = attributes.find("text-anchor=\"end\"") != std::string::npos;
        texts.push_back({anchoredAtEnd ? left - width : left, anchoredAtEnd ? left : left + width,
                         std::stod(at[1]), shown});
    }
    return texts;
}

TEST(GraphPictureTest, BoxesHoldTheirTextAndCutLinesKeepItAsTooltip) {
    const std::string longName(90, 'n');
    SceneGraph graph;
    graph.heading = "frame 0";
    const std::vector<float> spark = {0, 1, 2, 3};
    GraphNode reader;
    reader.name = longName;
    reader.quantifier = true;
    reader.box = {longName,
                  "quantifier \xC2\xB7 WrapAccumulateHalfOpen \xC2\xB7 group " + longName,
                  "= [[1, 0, 0, 0], [0, 1, 0, 0], [0, 0, 1, 0], [5, 6, 7, 1]]",
                  "read 1 \xC2\xB7 computed 1",
                  {}};
    reader.sockets = {{"lower \xC2\xB7 float 0", false},
                      {"a role with a long name \xC2\xB7 float 1, optional", true},
                      {"not read", false}};
    reader.sparkLow = reader.sparkHigh = &spark;
    GraphNode child;
    child.name = "x";
    child.box = {"x", "float", "= 1 < 2", std::nullopt, {}};
    child.parents = 1;
    graph.nodes = {reader, child};
    graph.links = {{0, 1, "lower (float 0)", true, false, 0}, {0, 1, "not read", false, false, 2}};

    const std::string svg = GraphSvg(graph);
    EXPECT_NE(svg.find("font-weight=\"bold\"><title>" + longName + "</title>"), std::string::npos)
        << "the whole name as the cut line's tooltip";
    EXPECT_NE(svg.find("[5, 6, 7, 1]"), std::string::npos) << "translation row";
    static const std::regex box(
        R"re(<g class="channel">.*?<rect class="box[^"]*" x="([0-9.]+)" y="([0-9.]+)" width="([0-9.]+)" height="([0-9.]+)".*?</g>)re");
    size_t boxes = 0;
    for (std::sregex_iterator it(svg.begin(), svg.end(), box), end; it != end; ++it, ++boxes) {
        const double x = std::stod((*it)[1]), y = std::stod((*it)[2]);
        const double width = std::stod((*it)[3]), height = std::stod((*it)[4]);
        const std::vector<Text> texts = Texts((*it)[0]);
        for (size_t a = 0; a < texts.size(); ++a) {
            const Text& t = texts[a];
            SCOPED_TRACE(t.shown);
            EXPECT_TRUE(t.left >= x && t.right <= x + width) << "outside its box sideways";
            EXPECT_TRUE(t.baseline - 11 >= y && t.baseline <= y + height) << "above or below";
            for (size_t b = a + 1; b < texts.size(); ++b) {
                const Text& u = texts[b];
                EXPECT_FALSE(std::abs(t.baseline - u.baseline) < 11 && t.left < u.right &&
                             u.left < t.right)
                    << "on top of " << u.shown;
            }
        }
    }
    EXPECT_EQ(boxes, 2u);
}

}  // namespace
}  // namespace quantifier_run
