// Arbitrary bytes as a GUI layout and as a style file. Loading needs no display: the workspace
// builds its controls from the documents through the control factory and handles events, but
// draws nothing (drawing needs a GL context). An input with a NUL byte is a layout, the NUL, then
// the style; any other input is tried both as a layout (with a small fixed style) and as a style
// (with a small fixed layout).

#include "fuzz_quiet.h"
#include "vst_workspace.h"

#include "am_filedata.h"
#include "nvn_system.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace norvane;

namespace {

const char* const fixedLayout = "<vistrel><workspace style='s.xml'><child>"
                                "<workspace id='a'><area x='10' y='10' width='100' height='50'/><child>"
                                "<workspace id='b'/></child></workspace>"
                                "<workspace class='pane' id='c'/></child></workspace></vistrel>";
const char* const fixedStyle = "<vistrel><workspace><color name='back.color' first='ff0000'/></workspace>"
                               "<pane><child><workspace class='pane'/></child></pane></vistrel>";

am::FileDataHandle fileOf(const std::string& name, const std::string& text) {
    am::FileData* data = new am::FileData();
    data->name = name;
    data->size = static_cast<int>(text.size());
    data->bytes = static_cast<char*>(std::malloc(text.size() + 1));
    std::memcpy(data->bytes, text.data(), text.size());
    return am::FileDataHandle(data);
}

vistrel::Event event(const char* name, float x, float y) {
    vistrel::Event e;
    e.name = name;
    e.x = x;
    e.y = y;
    return e;
}

void run(const std::string& layout, const std::string& style) {
    vistrel::Workspace ws;
    ws.setArea(vistrel::Rect(0, 0, 640, 480));
    try {
        xml::XmlParser doc;
        doc.parse(layout);
        ws.loadLayout(
            doc, [&style](const std::string& name) { return fileOf(name, style); },
            [&ws]() { ws.setMaximized(ws.isMaximized()); });
    } catch (const Exception&) {
        return; // a document that does not parse is refused whole
    }
    const char* names[] = {"mousemove", "mousedown", "mouseup", "keydown", "mousewheel"};
    for (const char* name : names) {
        vistrel::Event e = event(name, 20, 20);
        ws.handleEvent(e);
    }
    ws.find("a");
    ws.getBoundingRect();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::quiet(argc, argv);
    // The registry's own exit-time use keeps the prototypes until the process ends.
    vistrel::registerControlClasses();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    size_t cut = text.find('\0');
    if (cut != std::string::npos) {
        run(text.substr(0, cut), text.substr(cut + 1));
    } else {
        run(text, fixedStyle);
        run(fixedLayout, text);
    }
    return 0;
}
