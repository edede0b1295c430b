// Parses large generated documents, a timeline script, a GUI layout and one tag with many
// attributes, with our reader and with tinyxml2 for comparison.

#include "xml/xml_parser.h"

#include <benchmark/benchmark.h>
#include <tinyxml2.h>

#include <cstdio>
#include <string>

namespace {

std::string number(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof(buffer), "%.4f", value);
    return buffer;
}

// A timeline script: effects with triggers, spline tracks of keys and nested child effects.
std::string makeScript(int effects) {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- generated timeline -->\n<script>\n";
    for (int e = 0; e < effects; ++e) {
        const double start = e * 4.0;
        out += "\t<effect name=\"waxon\" start=\"" + number(start) + "\" end=\"" + number(start + 8.0) +
               "\" enabled=\"1\">\n";
        for (int t = 0; t < 4; ++t) {
            out += "\t\t<trigger name=\"beat\" value=\"" + std::to_string(t) + "\" start=\"" + number(t * 0.5) +
                   "\" repeat=\"8\" delay=\"0.5\"/>\n";
        }
        for (int s = 0; s < 3; ++s) {
            out += "\t\t<spline name=\"track" + std::to_string(s) + "\" type=\"smooth\">\n";
            for (int k = 0; k < 8; ++k) {
                out += "\t\t\t<key time=\"" + number(k * 1.0) + "\" value=\"" + number((k * 37 % 11) * 0.1) +
                       "\" in=\"0.0\" out=\"0.0\"/>\n";
            }
            out += "\t\t</spline>\n";
        }
        out += "\t\t<!-- child effect -->\n\t\t<effect name=\"glow\" start=\"1.0\" end=\"3.5\">\n"
               "\t\t\t<trigger name=\"which\" value=\"second\" start=\"0.25\"/>\n\t\t</effect>\n";
        out += "\t</effect>\n";
    }
    out += "</script>\n";
    return out;
}

// A GUI layout: nested windows and containers of controls with many attributes.
std::string makeLayout(int windows) {
    std::string out = "<?xml version=\"1.0\"?>\n<vistrel>\n\t<workspace style=\"style.xml\">\n";
    for (int w = 0; w < windows; ++w) {
        out += "\t\t<window name=\"win" + std::to_string(w) + "\" x=\"" + std::to_string(w % 640) +
               "\" y=\"10\" width=\"300\" height=\"200\" caption=\"Window number " + std::to_string(w) + "\">\n";
        out += "\t\t\t<stack direction=\"horisontal\" spacing=\"2\">\n";
        for (int c = 0; c < 6; ++c) {
            out += "\t\t\t\t<button name=\"b" + std::to_string(c) + "\" caption=\"Press me\" code=\"" +
                   std::to_string(w * 10 + c) + "\"/>\n";
            out += "\t\t\t\t<slider name=\"s" + std::to_string(c) +
                   "\" min=\"0\" max=\"100\" value=\"50\" direction=\"horisontal\"/>\n";
        }
        out += "\t\t\t\t<label>Some text for the label</label>\n";
        out += "\t\t\t</stack>\n\t\t</window>\n";
    }
    out += "\t</workspace>\n</vistrel>\n";
    return out;
}

// One tag with many attributes of distinct names: a0="0" a1="1" ... a10="0" (80,000 make 870 KB).
std::string makeManyAttributes(int count) {
    std::string out = "<many";
    for (int a = 0; a < count; ++a) out += " a" + std::to_string(a) + "=\"" + std::to_string(a % 10) + "\"";
    out += "></many>\n";
    return out;
}

const std::string& scriptDocument() {
    static const std::string document = makeScript(2500);
    return document;
}

const std::string& layoutDocument() {
    static const std::string document = makeLayout(4000);
    return document;
}

const std::string& manyAttributesDocument() {
    static const std::string document = makeManyAttributes(80000);
    return document;
}

void parseOurs(benchmark::State& state, const std::string& document) {
    for (auto _ : state) {
        norvane::xml::XmlParser parser;
        parser.parse(document);
        benchmark::DoNotOptimize(parser.root().childCount());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(document.size()));
    state.counters["MB"] = static_cast<double>(document.size()) / 1e6;
}

void parseTinyXml2(benchmark::State& state, const std::string& document) {
    for (auto _ : state) {
        tinyxml2::XMLDocument parser;
        if (parser.Parse(document.data(), document.size()) != tinyxml2::XML_SUCCESS) {
            state.SkipWithError("tinyxml2 failed to parse");
            break;
        }
        benchmark::DoNotOptimize(parser.RootElement());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(document.size()));
    state.counters["MB"] = static_cast<double>(document.size()) / 1e6;
}

void BM_Script_Ours(benchmark::State& state) { parseOurs(state, scriptDocument()); }
void BM_Script_TinyXml2(benchmark::State& state) { parseTinyXml2(state, scriptDocument()); }
void BM_Layout_Ours(benchmark::State& state) { parseOurs(state, layoutDocument()); }
void BM_Layout_TinyXml2(benchmark::State& state) { parseTinyXml2(state, layoutDocument()); }
void BM_ManyAttributes_Ours(benchmark::State& state) { parseOurs(state, manyAttributesDocument()); }
void BM_ManyAttributes_TinyXml2(benchmark::State& state) { parseTinyXml2(state, manyAttributesDocument()); }

} // namespace

BENCHMARK(BM_Script_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Script_TinyXml2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Layout_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Layout_TinyXml2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ManyAttributes_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ManyAttributes_TinyXml2)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
