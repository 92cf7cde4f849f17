// The LV2 bundle's generated data, read back through sordi (the RDF tools'
// own reader) and checked against the engine's tables: every port's index,
// range, unit and default, and every preset value, must stand for exactly
// the float the engine holds.
#include <map>
#include <set>

#include "factory_presets.h"
#include "host_support.h"
#include "plugin_ids.h"
#include "plugin_ports.h"
#include "test_signals.h"

namespace lumbrook {
namespace {

const std::string kBundle = LUMBROOK_LV2_BUNDLE;
const std::string kLv2 = "http://lv2plug.in/ns/lv2core#";
const std::string kUnits = "http://lv2plug.in/ns/extensions/units#";
const std::string kPset = "http://lv2plug.in/ns/ext/presets#";
const std::string kRdfs = "http://www.w3.org/2000/01/rdf-schema#";
const std::string kType = "http://www.w3.org/1999/02/22-rdf-syntax-ns#type";

// The statements of a Turtle file: subject -> predicate -> objects, with
// IRIs bare ("https://..."), blank nodes as "_:b1" and literals as their text.
using Graph = std::map<std::string, std::multimap<std::string, std::string>>;

std::string Term(const std::string& token) {
    if (token.size() >= 2 && token.front() == '<') return token.substr(1, token.size() - 2);
    if (!token.empty() && token.front() == '"') return token.substr(1, token.find('"', 1) - 1);
    return token;
}

Graph ReadGraph(const std::string& file) {
    Graph graph;
    std::string log;
    EXPECT_EQ(test::RunProgram({"sordi", file}, &log), 0) << log;
    std::stringstream lines(log);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t a = line.find(' '), b = line.find(' ', a + 1);
        const size_t end = line.rfind(" .");
        if (a == std::string::npos || b == std::string::npos || end == std::string::npos) continue;
        graph[Term(line.substr(0, a))].emplace(Term(line.substr(a + 1, b - a - 1)),
                                               Term(line.substr(b + 1, end - b - 1)));
    }
    return graph;
}

std::vector<std::string> Objects(const Graph& graph, const std::string& subject,
                                 const std::string& predicate) {
    std::vector<std::string> out;
    const auto found = graph.find(subject);
    if (found == graph.end()) return out;
    const auto range = found->second.equal_range(predicate);
    for (auto it = range.first; it != range.second; ++it) out.push_back(it->second);
    return out;
}

std::string Object(const Graph& graph, const std::string& subject, const std::string& predicate) {
    const std::vector<std::string> all = Objects(graph, subject, predicate);
    return all.size() == 1 ? all[0] : "(" + std::to_string(all.size()) + " values)";
}

// The blank node of the port (of a plug-in or a preset) with this symbol.
std::string PortNode(const Graph& graph, const std::string& owner, const std::string& symbol) {
    for (const std::string& node : Objects(graph, owner, kLv2 + "port"))
        if (Object(graph, node, kLv2 + "symbol") == symbol) return node;
    return "";
}

float Number(const std::string& text) {
    return std::strtof(text.c_str(), nullptr);
}

const char* UnitName(const ParamInfo& param) {
    const std::string unit = param.unit.suffix;
    return unit == "ms" ? "ms" : unit == "%" ? "pc" : unit == "dB" ? "db" : nullptr;
}

TEST(BundleData, PortsFollowTheParameterTable) {
    LUMBROOK_NEED_PROGRAM("sordi");
    const Graph graph = ReadGraph(kBundle + "/lumbrook-reverb.ttl");
    for (const PluginVariant& variant : kPluginVariants) {
        const std::string uri = variant.lv2Uri;
        EXPECT_EQ(Objects(graph, uri, kLv2 + "port").size(), PortCount(variant.channels)) << uri;
        for (int i = 0; i < kControlCount; ++i) {
            const ParamInfo& param = Param(kPortOrder[i]);
            const bool enabled = param.id == ParamId::Bypass;
            const std::string symbol = enabled ? "enabled" : param.field;
            SCOPED_TRACE(uri + " port " + symbol);
            const std::string node = PortNode(graph, uri, symbol);
            ASSERT_FALSE(node.empty());
            EXPECT_EQ(Object(graph, node, kLv2 + "index"),
                      std::to_string(FirstControlPort(variant.channels) + uint32_t(i)));
            EXPECT_EQ(Object(graph, node, kLv2 + "name"), enabled ? "Enabled" : param.label);
            const float low = Number(Object(graph, node, kLv2 + "minimum"));
            const float high = Number(Object(graph, node, kLv2 + "maximum"));
            const float fallback = Number(Object(graph, node, kLv2 + "default"));
            const std::vector<std::string> units = Objects(graph, node, kUnits + "unit");
            const std::vector<std::string> properties = Objects(graph, node, kLv2 + "portProperty");
            if (param.kind == ParamKind::Switch) {
                EXPECT_EQ(low, 0.0f);
                EXPECT_EQ(high, 1.0f);
                EXPECT_EQ(properties, std::vector<std::string>{kLv2 + "toggled"});
                EXPECT_EQ(fallback, enabled ? 1.0f : param.defaultValue);
                EXPECT_TRUE(units.empty());
                EXPECT_EQ(Objects(graph, node, kLv2 + "designation"),
                          enabled ? std::vector<std::string>{kLv2 + "enabled"}
                                  : std::vector<std::string>{});
                continue;
            }
            EXPECT_EQ(double(low), param.unit.min);
            EXPECT_EQ(double(high), param.unit.max);
            EXPECT_TRUE(properties.empty());
            // The default reaches the engine's default bit for bit.
            EXPECT_EQ(test::Bits(ValueFromPort(param, fallback)), test::Bits(param.defaultValue))
                << "default " << fallback;
            if (const char* unit = UnitName(param))
                EXPECT_EQ(units, std::vector<std::string>{kUnits + unit});
            else
                EXPECT_TRUE(units.empty());
        }
    }
}

TEST(BundleData, PresetsHoldTheFactoryValues) {
    LUMBROOK_NEED_PROGRAM("sordi");
    const Graph presets = ReadGraph(kBundle + "/presets.ttl");
    const Graph manifest = ReadGraph(kBundle + "/manifest.ttl");
    for (const PluginVariant& variant : kPluginVariants) {
        for (int p = 0; p < kPresetCount; ++p) {
            const PresetRecord& preset = kFactoryPresets[p];
            char number[16];
            std::snprintf(number, sizeof number, "%02d", p);
            const std::string uri = std::string(variant.lv2Uri) + "/preset/" + number;
            SCOPED_TRACE(uri);
            EXPECT_EQ(Object(presets, uri, kRdfs + "label"), preset.name);
            EXPECT_EQ(Object(presets, uri, kLv2 + "appliesTo"), variant.lv2Uri);
            EXPECT_EQ(Object(manifest, uri, kRdfs + "label"), preset.name);
            EXPECT_EQ(Object(manifest, uri, kType), kPset + "Preset");
            // Every control but bypass, which a preset leaves to the host.
            EXPECT_EQ(Objects(presets, uri, kLv2 + "port").size(), size_t(kControlCount - 1));
            for (ParamId id : kPortOrder) {
                if (id == ParamId::Bypass) continue;
                const ParamInfo& param = Param(id);
                const std::string node = PortNode(presets, uri, param.field);
                ASSERT_FALSE(node.empty()) << param.field;
                const float value = Number(Object(presets, node, kPset + "value"));
                if (param.kind == ParamKind::Switch)
                    EXPECT_EQ(SwitchFromPort(value), preset.params.*param.switchField ? 1 : 0)
                        << param.field;
                else
                    EXPECT_EQ(test::Bits(ValueFromPort(param, value)),
                              test::Bits(preset.params.*param.floatField))
                        << param.field << " = " << value;
            }
        }
    }
}

TEST(BundleData, ManifestNamesTheBinaryAndTheData) {
    LUMBROOK_NEED_PROGRAM("sordi");
    const Graph manifest = ReadGraph(kBundle + "/manifest.ttl");
    const Graph data = ReadGraph(kBundle + "/lumbrook-reverb.ttl");
    for (const PluginVariant& variant : kPluginVariants) {
        SCOPED_TRACE(variant.lv2Uri);
        const std::string binary = Object(manifest, variant.lv2Uri, kLv2 + "binary");
        EXPECT_EQ(binary.substr(binary.rfind('/') + 1), "lumbrook_reverb.so");
        EXPECT_EQ(access((kBundle + "/lumbrook_reverb.so").c_str(), R_OK), 0);
        // The manifest says what it is for discovery; the data file says
        // which class, which hosts show in their menus.
        EXPECT_EQ(Objects(manifest, variant.lv2Uri, kType),
                  std::vector<std::string>{kLv2 + "Plugin"});
        const std::vector<std::string> types = Objects(data, variant.lv2Uri, kType);
        EXPECT_EQ(
            std::set<std::string>(types.begin(), types.end()),
            (std::set<std::string>{kLv2 + "ReverbPlugin", "http://usefulinc.com/ns/doap#Project"}));
    }
}

}  // namespace
}  // namespace lumbrook
