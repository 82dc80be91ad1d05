// The check, the graph and the cross-references worked out from real configuration
// files: one built to break every rule, and the editor's sample.

#include "FlowTestSupport.h"

#include "orvane/flow/CheckText.h"
#include "orvane/flow/ConfigurationCheck.h"
#include "orvane/flow/CrossReference.h"
#include "orvane/flow/FlowGraph.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace orvane::flow;
using namespace orvane::flow::testing;
using orvane::compare::testing::sql;

void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

struct Seen {
    std::string rule;
    int block;
    std::string place;
    bool operator==(const Seen&) const = default;
};
void PrintTo(const Seen& s, std::ostream* os) { *os << s.rule << " @" << s.block << " " << s.place; }

std::vector<Seen> seen(const std::vector<Finding>& findings)
{
    std::vector<Seen> out;
    for (const Finding& f : findings)
        out.push_back({f.rule->id, f.block, f.place.toStdString()});
    return out;
}

QString messageOf(const std::vector<Finding>& findings, const std::string& rule, const std::string& place = {})
{
    for (const Finding& f : findings)
        if (f.rule->id == rule && (place.empty() || f.place.toStdString() == place))
            return f.message;
    return {};
}

} // namespace

TEST(ConfigurationCheck, EveryRuleNamesItsBlockInputOrParameter)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("broken.mdb");
    {
        ConfigurationFile c(path);
        c.function(10, kAin).function(11, kDin).function(20, kPid).function(30, kAout);
        // PID inputs: 1 wired, 2 a block in no use, 3 analog from a discrete, 4 past the
        // last block, 5 discrete from an analog, 6 a block without output, 7 not wired.
        for (const auto& [input, source] : std::map<int16_t, int32_t>{{0, 10}, {1, 45}, {2, 11}, {3, 200}, {4, 10}, {5, 3}, {6, 2}})
            c.constant(20, input, source);
        c.constant(20, 7, 150000);   // GAIN 150.000, above 100.000
        c.constant(30, 0, 20);
        c.function(70, kAabo).constant(70, 0, 20).constant(70, 1, 9);    // a PID offers 4
        c.function(71, kDabo).constant(71, 0, 11).constant(71, 1, 0);    // nothing chosen
        c.function(72, kAabo).constant(72, 0, 10).constant(72, 1, 2);    // fine
        c.function(80, kDisplayGroup).message(3, " ");                   // CH 4 LABEL's text
        c.function(90, kHiAlarm).constant(90, 0, 10);
        c.function(92, kAdd).constant(92, 0, 10).constant(92, 1, 10);
        c.quick(1, "BAD PARAM", 20, 99).quick(2, "NO BLOCK", 300, 1).quick(3, "GAIN", 20, 1);
        for (int16_t q = 4; q < 8; ++q)
            c.quick(q, "LEVEL", 10, 1);
        c.close();
    }
    sql(path, "UPDATE \"Block List\" SET FunctionNumber = 250 WHERE BlockNumber = 91;"
              "DELETE FROM Constants WHERE BlockNumber = 92 AND Offset = 3");

    const ConfigurationSnapshot snapshot = readSnapshot(path);
    const std::vector<Finding> findings = checkConfiguration(snapshot);
    const std::vector<Seen> expected = {
        {"output-unread", 1, ""},
        {"input-unused-block", 20, "input 2"},
        {"input-kind-mismatch", 20, "input 3"},
        {"input-out-of-range", 20, "input 4"},
        {"input-kind-mismatch", 20, "input 5"},
        {"parameter-out-of-limits", 20, "parameter 1"},
        {"input-no-output", 20, "input 6"},
        {"aux-not-offered", 70, "parameter 1"},
        {"output-unread", 70, ""},
        {"aux-not-chosen", 71, "parameter 1"},
        {"output-unread", 71, ""},
        {"output-unread", 72, ""},
        {"message-empty", 80, "parameter 17"},
        {"output-unread", 90, ""},
        {"function-unknown", 91, ""},
        {"constants-missing", 92, ""},
        {"output-unread", 92, ""},
        {"quick-unused-block", 4, "quick message 0"},
        {"quick-no-parameter", 20, "quick message 1"},
        {"quick-out-of-range", -1, "quick message 2"},
    };
    EXPECT_EQ(seen(findings), expected);

    EXPECT_EQ(messageOf(findings, "input-unused-block"),
              "Block 20 (PID) input 2 (Remote setpoint) reads block 45, which is in no use (\?\?\?\?).");
    EXPECT_EQ(messageOf(findings, "input-kind-mismatch", "input 3"),
              "Block 20 (PID) input 3 (Feedforward) is analog but reads the discrete output of Block 11 (DIN).");
    EXPECT_EQ(messageOf(findings, "parameter-out-of-limits"),
              "Block 20 (PID) parameter 1 (GAIN) is 150.000, outside its limits 0.000 to 100.000.");
    EXPECT_EQ(messageOf(findings, "aux-not-offered"),
              "Block 70 (AABO) takes auxiliary analog output 9 of Block 20 (PID), which offers 4.");
    EXPECT_EQ(messageOf(findings, "message-empty"), "Block 80 (DSPGROUP) parameter 17 (CH 4 LABEL) shows message 3, which is empty.");
    EXPECT_EQ(messageOf(findings, "quick-no-parameter"),
              "Quick message 1 (\"BAD PARAM\") names parameter 99 of Block 20 (PID), which has 11.");
    EXPECT_EQ(messageOf(findings, "constants-missing"), "Block 92 (ADD) has no constant row at offset 3.");
    EXPECT_TRUE(hasErrors(findings));
    EXPECT_EQ(findingCounts(findings), "10 errors, 4 warnings, 6 notes");

    // What the command line prints and what other programs read.
    const QStringList lines = findingLines(findings);
    EXPECT_EQ(lines.first(), "information output-unread: Block 1 (DIAG): nothing reads its analog output.");
    EXPECT_EQ(lines.last(), "10 errors, 4 warnings, 6 notes");
    const QJsonObject json = findingsJson(path, findings);
    EXPECT_EQ(json["errors"].toInt(), 10);
    EXPECT_EQ(json["findings"].toArray().size(), 20);
    const QJsonObject last = json["findings"].toArray().last().toObject();
    EXPECT_EQ(last["rule"].toString(), "quick-out-of-range");
    EXPECT_TRUE(last["block"].isNull());

    // Only links that carry a signal are edges; an aux link is named by its output.
    const FlowGraph graph(snapshot);
    std::vector<std::tuple<int, int, int>> inputs;
    for (const Edge& e : graph.edges())
        if (e.kind != EdgeKind::QuickMessage)
            inputs.emplace_back(e.from, e.to, e.number);
    EXPECT_EQ(inputs, (std::vector<std::tuple<int, int, int>>{{10, 20, 1}, {11, 20, 3}, {10, 20, 5}, {20, 30, 1}, {20, 70, 1},
                                                              {11, 71, 1}, {10, 72, 1}, {10, 90, 1}, {10, 92, 1}, {10, 92, 2}}));
    EXPECT_EQ(graph.edges()[6].label, "PERCENT OF RANGE");
    EXPECT_EQ(graph.edges()[4].label, "AUX OUTPUT 9");
    EXPECT_EQ(graph.node(91)->name, "????");
}

TEST(ConfigurationCheck, SampleHasNoErrorAndItsFlowReadsAsDrawn)
{
    const ConfigurationSnapshot snapshot = readSnapshot(samplePath());
    const std::vector<Finding> findings = checkConfiguration(snapshot);
    EXPECT_FALSE(hasErrors(findings)) << findingLines(findings).join('\n').toStdString();

    const FlowGraph graph(snapshot);
    std::vector<int> blocks;
    for (const Node& n : graph.nodes())
        blocks.push_back(n.block);
    EXPECT_EQ(blocks, (std::vector<int>{0, 1, 2, 3, 10, 11, 12, 20, 21, 30, 31, 40, 41, 42, 50, 60, 61, 70}));
    const Node& transmitter = *graph.node(10);
    EXPECT_EQ(transmitter.name, "AIN");
    EXPECT_EQ(transmitter.output, SignalKind::Analog);
    EXPECT_EQ(transmitter.comment, "LT-101 tank 1 level, 4-20 mA");
    EXPECT_EQ(graph.node(60)->output, SignalKind::Discrete);

    // "Used by", in the editor and from the command line.
    QStringList references;
    for (const Reference& r : usedBy(graph, 20))
        references << r.text;
    EXPECT_EQ(references, QStringList({"Block 30 (AOUT) input 1: Output value", "Block 70 (AABO) auxiliary output: NO SELECTION"}));
    EXPECT_EQ(crossReferenceLines(graph, 10),
              QStringList({"Block 10 (AIN) - LT-101 tank 1 level, 4-20 mA", "  used by Block 20 (PID) input 1: Process variable",
                           "  used by Block 40 (HIAL) input 1: Input", "  used by Block 41 (LOAL) input 1: Input"}));
    EXPECT_TRUE(crossReferenceLines(graph).contains("  used by nothing"));

    // One link around the loop of tank 1: its transmitter, valve and deviation output;
    // two links reach the alarms on the transmitter too.
    const FlowGraph loop = graph.around(20, 1);
    std::vector<int> near;
    for (const Node& n : loop.nodes())
        near.push_back(n.block);
    EXPECT_EQ(near, (std::vector<int>{10, 20, 30, 70}));
    EXPECT_EQ(loop.edges().size(), 3u);
    EXPECT_EQ(graph.around(20, 2).nodes().size(), 4u);
    EXPECT_EQ(graph.around(10, 2).nodes().size(), 7u);
}
