// Start and end, failure texts, memory, timers, message and choice boxes, the
// product data manager's names, point mapping and vector arithmetic.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "cp1251.h"
#include "engineer.h"
#include "export.h"
#include "host.h"
#include "ops.h"
#include "transcript.h"
#include "uf.h"
#include "uf_csys.h"
#include "uf_ugmgr.h"
#include "uf_vec.h"

using namespace nxsim;

namespace {

void copy_out(char *out, size_t capacity, const std::string &text) {
    size_t n = std::min(text.size(), capacity - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

}  // namespace

extern "C" {

NXSIM_EXPORT int UF_initialize(void) {
    return guarded("UF_initialize", false, [](Host &h) {
        ++h.init_depth;
        return 0;
    });
}

NXSIM_EXPORT int UF_terminate(void) {
    return guarded("UF_terminate", true, [](Host &h) {
        --h.init_depth;
        return 0;
    });
}

NXSIM_EXPORT int UF_get_fail_message(int error_code, char message[UF_MAX_FAIL_MESSAGE_SIZE + 1]) {
    if (message == nullptr) return code::kInvalidArgument;
    const char *text = code::fail_text(error_code);
    if (text != nullptr)
        std::snprintf(message, UF_MAX_FAIL_MESSAGE_SIZE + 1, "%s", text);
    else
        std::snprintf(message, UF_MAX_FAIL_MESSAGE_SIZE + 1, "NX error %d", error_code);
    return 0;
}

NXSIM_EXPORT void UF_free(void *data) { std::free(data); }

NXSIM_EXPORT int UF_is_ugmanager_active(logical *is_active) {
    return guarded("UF_is_ugmanager_active", true, [&](Host &h) {
        if (is_active == nullptr) return code::kInvalidArgument;
        *is_active = h.session->managed ? TRUE : FALSE;
        return 0;
    });
}

NXSIM_EXPORT int UF_begin_timer(UF_timer_t *timer_id) {
    return guarded("UF_begin_timer", true, [&](Host &h) {
        if (timer_id == nullptr) return code::kInvalidArgument;
        int id = h.next_timer++;
        h.timers[id] = Timer{h.clock, h.cpu};
        *timer_id = id;
        return 0;
    });
}

NXSIM_EXPORT int UF_end_timer(UF_timer_t timer_id, UF_timer_values_t *values) {
    return guarded("UF_end_timer", true, [&](Host &h) {
        auto it = h.timers.find(timer_id);
        if (it == h.timers.end() || values == nullptr) return code::kTimerInvalid;
        values->real_time = std::difftime(h.clock, it->second.real_start);
        values->cpu_time = h.cpu - it->second.cpu_start;
        h.timers.erase(it);
        return 0;
    });
}

NXSIM_EXPORT int uc1601(const char *message, int wait) {
    return guarded("uc1601", false, [&](Host &h) {
        h.note("message " + quote(message != nullptr ? message : "") + (wait == 1 ? "" : " (no wait)"));
        return 1;
    });
}

NXSIM_EXPORT int uc1603(const char *title, int default_option, char options[][UF_CHOICE_OPTION_SIZE], int num_options) {
    return guarded("uc1603", false, [&](Host &h) -> int {
        if (options == nullptr || num_options < 1 || num_options > 14) return 19;
        std::vector<std::string> texts;
        for (int i = 0; i < num_options; ++i)
            texts.emplace_back(options[i], strnlen(options[i], UF_CHOICE_OPTION_SIZE));
        std::string what = "choice " + quote(title != nullptr ? title : "") + " " + quoted_list(texts);
        DialogView view;
        view.kind = ActionKind::Choice;
        view.line = what;
        view.title = title != nullptr ? title : "";
        view.options = texts;
        const Action *a = h.engineer->next(view);
        if (a == nullptr) {
            h.note(what + " -> 2");
            return 2;
        }
        int answer = a->code;
        if (a->answer_text) {
            answer = 0;
            for (int i = 0; i < num_options; ++i)
                if (texts[i] == *a->answer_text) answer = 5 + i;
            if (answer == 0) {
                h.fail_script(a->where + ": no option " + cp1251_to_utf8(*a->answer_text));
                return 2;
            }
        } else if (!(answer == 1 || answer == 2 || answer == 19 || (answer >= 5 && answer < 5 + num_options))) {
            h.fail_script(a->where + ": a choice answers 1, 2, 19 or 5 to " + std::to_string(4 + num_options));
            return 2;
        }
        (void)default_option;
        h.note(what + " -> " + std::to_string(answer));
        return answer;
    });
}

NXSIM_EXPORT int UF_UGMGR_encode_part_filename(const char *part_number, const char *part_revision, const char *part_file_type,
                                  const char *part_file_name, char encoded_name[MAX_FSPEC_SIZE + 1]) {
    return guarded("UF_UGMGR_encode_part_filename", true, [&](Host &) {
        if (part_number == nullptr || part_revision == nullptr || encoded_name == nullptr || *part_number == '\0')
            return code::kInvalidArgument;
        std::string type = part_file_type != nullptr ? part_file_type : "";
        std::string name = part_file_name != nullptr ? part_file_name : "";
        if (std::strchr(part_number, '/') != nullptr || std::strchr(part_revision, '/') != nullptr)
            return code::kInvalidArgument;
        std::string encoded = std::string("@DB/") + part_number + "/" + part_revision;
        // The master file of a part is named by number and revision alone.
        if (!type.empty() && type != "master") encoded += "/" + type + "/" + name;
        if (encoded.size() > MAX_FSPEC_SIZE) return code::kNameTooLong;
        copy_out(encoded_name, MAX_FSPEC_SIZE + 1, encoded);
        return 0;
    });
}

NXSIM_EXPORT int UF_UGMGR_decode_part_filename(const char *encoded_name, char part_number[UF_UGMGR_PARTNO_SIZE + 1],
                                  char part_revision[UF_UGMGR_PARTREV_SIZE + 1],
                                  char part_file_type[UF_UGMGR_FTYPE_SIZE + 1],
                                  char part_file_name[UF_UGMGR_FNAME_SIZE + 1]) {
    return guarded("UF_UGMGR_decode_part_filename", true, [&](Host &) {
        if (encoded_name == nullptr || part_number == nullptr || part_revision == nullptr ||
            part_file_type == nullptr || part_file_name == nullptr)
            return code::kInvalidArgument;
        std::string s = encoded_name;
        std::string number, revision, type = "master", name;
        if (s.rfind("@DB/", 0) == 0) {
            std::vector<std::string> fields;
            size_t start = 4;
            for (;;) {
                size_t slash = s.find('/', start);
                fields.push_back(s.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
                if (slash == std::string::npos) break;
                start = slash + 1;
            }
            if (fields.size() != 2 && fields.size() != 4) return code::kDecode;
            number = fields[0];
            revision = fields[1];
            if (fields.size() == 4) {
                type = fields[2];
                name = fields[3];
            }
        } else {
            // A native file: its number is the file's name without folder and extension.
            size_t slash = s.find_last_of("\\/:");
            number = slash == std::string::npos ? s : s.substr(slash + 1);
            size_t dot = number.rfind('.');
            if (dot != std::string::npos) number.erase(dot);
            name = number;
        }
        if (number.empty()) return code::kDecode;
        copy_out(part_number, UF_UGMGR_PARTNO_SIZE + 1, number);
        copy_out(part_revision, UF_UGMGR_PARTREV_SIZE + 1, revision);
        copy_out(part_file_type, UF_UGMGR_FTYPE_SIZE + 1, type);
        copy_out(part_file_name, UF_UGMGR_FNAME_SIZE + 1, name);
        return 0;
    });
}

NXSIM_EXPORT int UF_CSYS_map_point(int input_csys, double input_point[3], int output_csys, double output_point[3]) {
    return guarded("UF_CSYS_map_point", true, [&](Host &h) {
        if (input_point == nullptr || output_point == nullptr) return code::kInvalidArgument;
        Session &s = *h.session;
        if (s.display == nullptr) return code::kNoDisplayedPart;
        // Every frame is expressed against the absolute frame of the displayed part.
        auto frame_of = [&](int csys, Frame &f) -> int {
            switch (csys) {
            case UF_CSYS_ROOT_COORDS:
                f = Frame();
                return 0;
            case UF_CSYS_ROOT_WCS_COORDS:
                f = s.display->wcs;
                return 0;
            case UF_CSYS_WORK_COORDS:
                return s.work == nullptr ? code::kNoWorkOccurrence : work_frame(s, f);
            default:
                return code::kInvalidArgument;
            }
        };
        Frame from, to;
        if (int rc = frame_of(input_csys, from)) return rc;
        if (int rc = frame_of(output_csys, to)) return rc;
        Vec3 p{input_point[0], input_point[1], input_point[2]};
        Vec3 r = to.from_parent(from.to_parent(p));
        for (int i = 0; i < 3; ++i) output_point[i] = r[i];
        return 0;
    });
}

NXSIM_EXPORT void UF_VEC3_distance(const double vec1[3], const double vec2[3], double *distance) {
    double dx = vec1[0] - vec2[0], dy = vec1[1] - vec2[1], dz = vec1[2] - vec2[2];
    *distance = std::sqrt(dx * dx + dy * dy + dz * dz);
}

NXSIM_EXPORT void UF_VEC3_sub(const double vec1[3], const double vec2[3], double vec_diff[3]) {
    double r[3] = {vec1[0] - vec2[0], vec1[1] - vec2[1], vec1[2] - vec2[2]};
    vec_diff[0] = r[0];
    vec_diff[1] = r[1];
    vec_diff[2] = r[2];
}

}  // extern "C"
