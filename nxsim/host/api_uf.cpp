// Start and end, failure texts, memory, timers, message and choice boxes.
#include <cstdio>
#include <cstring>

#include "cp1251.h"
#include "engineer.h"
#include "export.h"
#include "host.h"
#include "transcript.h"
#include "uf.h"

using namespace nxsim;

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

NXSIM_EXPORT void UF_free(void *data) {
    Host::get().held.erase(data);  // kept after a failed release, now freed by the tool
    std::free(data);
}

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
        texts.reserve(num_options);
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
                h.fail_script(a->where + ": no option " + shorten(cp1251_to_utf8(*a->answer_text)));
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

}  // extern "C"
