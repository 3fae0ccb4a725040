// Any bytes given to the reader end in a file whose routes and records hold together,
// or in one refusal with a reason and a line inside the file, and leave nothing read;
// never a crash or a hang. The lower steps agree with the whole.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "common/fpdf_reader.h"

namespace {

void require(bool holds) {
    if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char *>(data), size);
    fpdf::file f;
    fpdf::problem why;
    bool read = fpdf::read(bytes, f, why);

    long lines = 0;
    size_t offset = 0;
    fpdf::line l;
    while (fpdf::next_line(bytes, offset, l)) {
        require(l.number == lines + 1 && offset <= size);
        lines = l.number;
        require(fpdf::split(l.text).count >= 1);
    }
    require(offset == size);

    fpdf::problem refused;
    if (fpdf::refuse(bytes, refused)) {
        require(!read && why.why == refused.why && why.line == refused.line);
    }
    if (!read) {
        require(!why.why.empty() && why.line >= 0 && why.line <= lines + 1);
        require(f.routes.empty() && f.records.empty());
        return 0;
    }
    require(f.head.line == 1);
    size_t next = 0;
    long last_line = 1;
    for (size_t r = 0; r < f.routes.size(); ++r) {
        const fpdf::route &route = f.routes[r];
        require(route.first == next && route.line > last_line && route.count >= 0 && !route.name.empty());
        last_line = route.line;
        for (size_t k = route.first; k < route.first + route.size; ++k) {
            require(k < f.records.size() && f.records[k].route == r && f.records[k].line > last_line);
            last_line = f.records[k].line;
        }
        next = route.first + route.size;
    }
    require(next == f.records.size() && last_line <= lines);
    return 0;
}
