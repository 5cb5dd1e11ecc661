// zylhost's reader of help files on arbitrary bytes: the index, every topic
// and every picture a topic names are read, or refused with a reason.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/helpfile.h"
#include "helpreader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zyl::MemoryFiles files;
    files.Add("fuzz.hlp", data, size);
    zylhlp::HelpReader reader;
    std::string error;
    if (!reader.Open(files, "fuzz.hlp", &error)) {
        if (error.empty()) __builtin_trap();
    } else {
        const zylscript::Script& index = reader.Index();
        if (index.topics.empty()) __builtin_trap();
        for (std::size_t i = 0; i < index.topics.size() && i < 64; ++i) {
            zylscript::Topic topic;
            std::string problem;
            if (!reader.LoadTopic(i, &topic, &problem) && problem.empty()) __builtin_trap();
            for (const auto* region : {&topic.nsr, &topic.body})
                for (const zylscript::Paragraph& p : *region)
                    for (const zylscript::Segment& s : p.segments)
                        if (s.kind == zylscript::Segment::Kind::Picture) {
                            zylhlp::Picture picture;
                            if (reader.LoadPicture(s.picture, &picture, &problem) &&
                                picture.dib.size() < 40 + static_cast<std::size_t>(picture.height))
                                __builtin_trap();
                        }
        }
    }
    // The same bytes as a picture record.
    zylhlp::Picture picture;
    zylhlp::DecodePicture(data, size, &picture, &error);
    return 0;
}
