// Session operations shared by several interface calls.
#include "ops.h"

#include <algorithm>
#include <cstring>

#include "cp1251.h"
#include "meanings.h"
#include "uf_part.h"

namespace nxsim {

void copy_text(char *out, size_t capacity, const std::string &text) {
    size_t n = std::min(text.size(), capacity - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

void set_display(Host &h, Part *part) {
    h.session->display = part;
    h.session->work = part;
    h.note("display part " + quote(part != nullptr ? part->name : ""));
}

int create_part(Host &h, const std::string &name, int units, tag_t *part) {
    if (name.empty() || name.size() > MAX_FSPEC_SIZE) return code::kNameTooLong;
    if (units != UF_PART_METRIC && units != UF_PART_ENGLISH) return code::kInvalidArgument;
    if (h.session->find_part(name) != nullptr) return code::kPartExists;
    Part *p = h.session->add_part(name);
    p->units = meaning::units_number(units);
    p->saved = false;
    set_display(h, p);
    *part = p->tag;
    return 0;
}

int open_part(Host &h, const std::string &name, tag_t *part) {
    Part *p = h.session->find_part(name);
    if (p == nullptr) return code::kPartNotFound;
    h.session->touch(p);
    p->loaded = true;
    set_display(h, p);
    *part = p->tag;
    return 0;
}

int work_frame(Session &s, Frame &f) {
    if (s.work == nullptr || s.display == nullptr) return code::kNoDisplayedPart;
    if (s.work == s.display) {
        f = Frame();
        return 0;
    }
    tag_t occ = s.find_occurrence_of_part(s.display, s.work);
    if (occ == NULL_TAG) return code::kNoWorkOccurrence;
    f = s.absolute(*s.occurrence(occ));
    return 0;
}

}  // namespace nxsim
