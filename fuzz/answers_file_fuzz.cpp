// Fuzz target: the answers file of the scripted host, and a message box answered from it.
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "ui/host.h"
#include "ui/scripted_host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text = fuzz::Text(data, size);
    std::vector<std::string> errors;
    std::vector<ui::Answer> answers = ui::ParseAnswers(text, &errors);
    std::ostringstream out;
    ui::ScriptedHost host(text, out);
    for (const ui::Answer& answer : answers) {
        if (answer.kind != ui::Answer::Kind::Message) continue;
        ui::MessageRequest request;
        request.stringId = static_cast<uint32_t>(answer.id);
        request.text = "text";
        request.buttons = ui::Buttons::YesNo;
        host.ShowMessage(request);
    }
    host.BrowseForFolder("title", "C:\\");
    return 0;
}
