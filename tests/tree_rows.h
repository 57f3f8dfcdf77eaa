// Tree model files written by the tests themselves: 322 rows built in code.
#pragma once
#include <array>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "tree/tree_model.h"

struct TreeRow {
    std::string id = "";                              // row id token; empty: the row number
    std::string n = "";                               // N token; empty: points.size()
    std::string m = "";                               // M token; empty: children.size()
    std::string colour = "green";                     // colour word
    std::vector<std::pair<std::string, std::string>> children; // (childIndex, attachPoint) tokens
    std::vector<std::array<std::string, 4>> points;   // x y z r tokens
};

inline std::string numberText(double v)
{
    std::ostringstream out;
    out.precision(17);
    out << v;
    return out.str();
}

// A valid tree: row i has children 2i+1 (at point 1) and 2i+2 (at point 2),
// 3 to 6 points, a vertical trunk and slanted branches.
inline std::vector<TreeRow> defaultTreeRows()
{
    std::vector<TreeRow> rows(kBranchCount);
    for (int i = 0; i < kBranchCount; ++i) {
        TreeRow& row = rows[i];
        const int n = 3 + i % 4;
        for (int child : {2 * i + 1, 2 * i + 2})
            if (child < kBranchCount) row.children.push_back({std::to_string(child), std::to_string(child - 2 * i)});
        for (int k = 0; k < n; ++k) {
            const double x = i == 0 ? 0.0 : i * 0.01 + k;
            const double y = i == 0 ? k : k * 0.5;
            const double z = i == 0 ? 0.0 : i * 0.02;
            row.points.push_back({numberText(x), numberText(y), numberText(z), numberText(1.0 - 0.1 * k)});
        }
    }
    rows[0].colour = "red";
    return rows;
}

// The rows as file text; `spread` puts every token on a line of its own.
inline std::string treeText(const std::vector<TreeRow>& rows, const std::string& firstLine = "RowMax=322",
                            bool spread = false)
{
    std::string text = firstLine + "\n";
    const char* gap = spread ? "\n" : " ";
    for (size_t i = 0; i < rows.size(); ++i) {
        const TreeRow& row = rows[i];
        text += row.id.empty() ? std::to_string(i) : row.id;
        text += gap + (row.n.empty() ? std::to_string(row.points.size()) : row.n);
        text += gap + (row.m.empty() ? std::to_string(row.children.size()) : row.m);
        text += gap + row.colour;
        for (const auto& [child, attach] : row.children) text += gap + child + gap + attach;
        for (const auto& p : row.points)
            for (const auto& v : p) text += gap + v;
        text += "\n";
    }
    return text;
}

// The model is several megabytes: keep it off the stack.
inline std::unique_ptr<TreeModel> makeModel() { return std::make_unique<TreeModel>(); }

inline void expectTreeEmpty(const TreeModel& model)
{
    EXPECT_EQ(model.branchCount, 0);
    EXPECT_EQ(model.triangleCount, 0);
    EXPECT_EQ(model.triangleTotalPlain, 0);
    EXPECT_EQ(model.triangleTotalShadowed, 0);
    for (int i = 0; i < kBranchCount; ++i) {
        ASSERT_EQ(model.branches[i].pointCount, -1) << "branch " << i;
        ASSERT_EQ(model.branches[i].points, nullptr) << "branch " << i;
        ASSERT_EQ(model.branches[i].children, nullptr) << "branch " << i;
        ASSERT_EQ(model.branches[i].childCount, 0) << "branch " << i;
        ASSERT_EQ(model.branches[i].stiffness, 1.0) << "branch " << i;
        ASSERT_EQ(model.restBranches[i].points, nullptr) << "branch " << i;
    }
}
