// lv2-bundle-writer OUTDIR: writes the LV2 bundle's data files (manifest.ttl,
// lumbrook-reverb.ttl, presets.ttl) from the parameter table, the port list
// and the preset table, so ports, ranges, defaults and presets cannot drift
// from the engine. Run at build time; each file appears complete or not at all.
#include <cstdio>
#include <string>

#include "factory_presets.h"
#include "output_file.h"
#include "plugin_ids.h"
#include "plugin_ports.h"

namespace lumbrook {
namespace {

const char kPrefixes[] =
    "@prefix doap:  <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf:  <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2:   <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix pg:    <http://lv2plug.in/ns/ext/port-groups#> .\n"
    "@prefix pset:  <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdfs:  <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n\n";

const char kBinary[] = "lumbrook_reverb.so";

// The shortest fixed-point text that reads back as the same float (Turtle
// takes it as a decimal; every port value lies well within fixed notation).
std::string Number(float value) {
    char text[64];
    for (int decimals = 1; decimals <= 30; ++decimals) {
        std::snprintf(text, sizeof text, "%.*f", decimals, double(value));
        float back = 0.0f;
        if (std::sscanf(text, "%f", &back) == 1 && back == value) break;
    }
    return text;
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string PresetUri(const PluginVariant& variant, int index) {
    char number[16];
    std::snprintf(number, sizeof number, "%02d", index);
    return std::string(variant.lv2Uri) + "/preset/" + number;
}

// LV2's name for a display unit; the room size's plain number and the
// switches have none.
const char* UnitUri(UnitId unit) {
    switch (unit) {
    case UnitId::Percent: return "units:pc";
    case UnitId::Milliseconds: return "units:ms";
    case UnitId::Decibels: return "units:db";
    case UnitId::Plain:
    case UnitId::Switch:
    case UnitId::Count: break;
    }
    return nullptr;
}

std::string Manifest() {
    std::string out = kPrefixes;
    for (const PluginVariant& variant : kPluginVariants) {
        out += "<" + std::string(variant.lv2Uri) + ">\n    a lv2:Plugin ;\n" + "    lv2:binary <" +
               kBinary + "> ;\n    rdfs:seeAlso <lumbrook-reverb.ttl> .\n\n";
        for (int i = 0; i < kPresetCount; ++i)
            out += "<" + PresetUri(variant, i) + ">\n    a pset:Preset ;\n    lv2:appliesTo <" +
                   variant.lv2Uri + "> ;\n    rdfs:label " + Quoted(kFactoryPresets[i].name) +
                   " ;\n    rdfs:seeAlso <presets.ttl> .\n\n";
    }
    return out;
}

std::string AudioPorts(const PluginVariant& variant) {
    const std::string uri = variant.lv2Uri;
    struct Audio {
        const char* symbol;
        const char* name;
        const char* designation;
    };
    static const Audio kStereo[2][2] = {
        {{"in_l", "Left In", "pg:left"}, {"in_r", "Right In", "pg:right"}},
        {{"out_l", "Left Out", "pg:left"}, {"out_r", "Right Out", "pg:right"}}};
    static const Audio kMono[2][1] = {{{"in", "Input", "pg:center"}},
                                      {{"out", "Output", "pg:center"}}};
    std::string out;
    uint32_t index = 0;
    for (int dir = 0; dir < 2; ++dir) {
        for (uint32_t ch = 0; ch < variant.channels; ++ch, ++index) {
            const Audio& port = variant.channels == 2 ? kStereo[dir][ch] : kMono[dir][ch];
            out += std::string(index ? " , " : "") + "[\n        a lv2:AudioPort , " +
                   (dir == 0 ? "lv2:InputPort" : "lv2:OutputPort") + " ;\n        lv2:index " +
                   std::to_string(index) + " ;\n        lv2:symbol " + Quoted(port.symbol) +
                   " ;\n        lv2:name " + Quoted(port.name) + " ;\n        pg:group <" + uri +
                   (dir == 0 ? "#in" : "#out") + "> ;\n        lv2:designation " +
                   port.designation + " ;\n    ]";
        }
    }
    return out;
}

std::string ControlPort(const PluginVariant& variant, int control) {
    const ParamInfo& param = Param(kPortOrder[control]);
    const bool enabled = param.id == ParamId::Bypass;
    std::string out = " , [\n        a lv2:InputPort , lv2:ControlPort ;\n        lv2:index " +
                      std::to_string(FirstControlPort(variant.channels) + uint32_t(control)) +
                      " ;\n        lv2:symbol " + Quoted(enabled ? "enabled" : param.field) +
                      " ;\n        lv2:name " + Quoted(enabled ? "Enabled" : param.label) + " ;\n";
    if (param.kind == ParamKind::Switch) {
        // The host's own bypass button drives "enabled": on means processing.
        const float value = enabled ? 1.0f : PortFromValue(param, param.defaultValue);
        out += "        lv2:default " + Number(value) +
               " ;\n        lv2:minimum 0.0 ;\n        lv2:maximum 1.0 ;\n" +
               "        lv2:portProperty lv2:toggled ;\n";
        if (enabled) out += "        lv2:designation lv2:enabled ;\n";
    } else {
        out += "        lv2:default " + Number(PortFromValue(param, param.defaultValue)) +
               " ;\n        lv2:minimum " + Number(float(param.unit.min)) +
               " ;\n        lv2:maximum " + Number(float(param.unit.max)) + " ;\n";
        if (const char* unit = UnitUri(param.unit.id))
            out += std::string("        units:unit ") + unit + " ;\n";
    }
    return out + "    ]";
}

std::string PluginData() {
    std::string out = kPrefixes;
    out += "<" + std::string(kPluginVariants[0].lv2Uri) + "#maker>\n    a foaf:Person ;\n" +
           "    foaf:name " + Quoted(kMakerName) + " .\n\n";
    for (const PluginVariant& variant : kPluginVariants) {
        const std::string uri = variant.lv2Uri;
        const char* group = variant.channels == 2 ? "pg:StereoGroup" : "pg:MonoGroup";
        out += "<" + uri + "#in>\n    a " + group +
               " , pg:InputGroup ;\n    lv2:symbol \"in\" ;\n" + "    lv2:name \"Input\" .\n\n";
        out += "<" + uri + "#out>\n    a " + group + " , pg:OutputGroup ;\n" +
               "    lv2:symbol \"out\" ;\n    lv2:name \"Output\" ;\n    pg:source <" + uri +
               "#in> .\n\n";
        out += "<" + uri + ">\n    a lv2:ReverbPlugin , doap:Project ;\n    doap:name " +
               Quoted(variant.lv2Name) + " ;\n    doap:license <" + kLicenseUri + "> ;\n" +
               "    doap:maintainer <" + kPluginVariants[0].lv2Uri + "#maker> ;\n" +
               "    lv2:minorVersion " + std::to_string(kLv2MinorVersion) + " ;\n" +
               "    lv2:microVersion " + std::to_string(kLv2MicroVersion) + " ;\n" +
               "    rdfs:comment " +
               Quoted(std::string("A ") + (variant.channels == 2 ? "stereo" : "mono") +
                      " room and hall reverb: pre-delay, room size, damping, early "
                      "reflections, reverb and dry levels, and a two-band shelving "
                      "equaliser on the reverberation.") +
               " ;\n    lv2:optionalFeature lv2:hardRTCapable ;\n" + "    pg:mainInput <" + uri +
               "#in> ;\n    pg:mainOutput <" + uri + "#out> ;\n" + "    lv2:port " +
               AudioPorts(variant);
        for (int i = 0; i < kControlCount; ++i) out += ControlPort(variant, i);
        out += " .\n\n";
    }
    return out;
}

std::string Presets() {
    std::string out = kPrefixes;
    for (const PluginVariant& variant : kPluginVariants) {
        for (int p = 0; p < kPresetCount; ++p) {
            const PresetRecord& preset = kFactoryPresets[p];
            out += "<" + PresetUri(variant, p) + ">\n    a pset:Preset ;\n    lv2:appliesTo <" +
                   variant.lv2Uri + "> ;\n    rdfs:label " + Quoted(preset.name) +
                   " ;\n    lv2:port ";
            // Bypass is the host's to keep: loading a preset never switches it.
            bool first = true;
            for (ParamId id : kPortOrder) {
                if (id == ParamId::Bypass) continue;
                const ParamInfo& param = Param(id);
                const float value = param.kind == ParamKind::Switch
                                        ? float(preset.params.*param.switchField != 0)
                                        : preset.params.*param.floatField;
                out += std::string(first ? "" : " , ") + "[\n        lv2:symbol " +
                       Quoted(param.field) + " ;\n        pset:value " +
                       Number(PortFromValue(param, value)) + " ;\n    ]";
                first = false;
            }
            out += " .\n\n";
        }
    }
    return out;
}

bool WriteFile(const std::string& path, const std::string& text) {
    std::string error;
    if (WriteWholeFile(path, text.data(), text.size(), &error)) return true;
    std::fprintf(stderr, "lv2-bundle-writer: %s\n", error.c_str());
    return false;
}

}  // namespace
}  // namespace lumbrook

int main(int argc, char** argv) {
    using namespace lumbrook;
    if (argc != 2) {
        std::fprintf(stderr, "usage: lv2-bundle-writer OUTDIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    const bool ok = WriteFile(dir + "/manifest.ttl", Manifest()) &&
                    WriteFile(dir + "/lumbrook-reverb.ttl", PluginData()) &&
                    WriteFile(dir + "/presets.ttl", Presets());
    return ok ? 0 : 1;
}
