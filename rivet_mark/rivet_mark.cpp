// Marks a group of picked components as rivets: string attribute RIVET = "work".
#include <cstdio>

#include "common/steps.h"
#include "common/tool_run.h"
#include "common/vocabulary.h"
#include "uf.h"
#include "uf_attr.h"
#include "uf_disp.h"
#include "uf_ui.h"

namespace {

const component_selection rivet_group = {
    .cue = "выбери группу компонент - заклепок",
    .title = "компоненты - заклепки",
    .init = component_mask_init,
    .nothing_selected = "будьте любезны выбрать группу компонент - заклепок",
    .report = report_error,
};

int mark_rivets() {
    host_tags rivets;
    step got = step::back;
    while (got == step::back) got = select_components(rivet_group, rivets);
    if (got == step::ended) return 0;
    if (got == step::failed) return error_code;

    if (unhighlight(rivets.items, rivets.count, report_error) != 0) return error_code;

    UF_ATTR_value_t value;
    value.type = UF_ATTR_string;
    value.value.string = const_cast<char *>(RIVET_MARK_VALUE);  // the host only reads it
    for (int i = 0; i < rivets.count; ++i) {
        error_code = UF_ATTR_assign(rivets.items[i], RIVET_MARK_TITLE, value);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            return error_code;
        }
    }
    return error_code;
}

const char *const log_paths[] = {"D:\\prterr.txt"};

const plain_run_variant variant = {
    .start_banner = "\n <rivet_mark>\tHAS STARTED\t\tline=%d\n",
    .finish_banner = "\n <rivet_mark>\tHAS FINISHED\tline=%d\n",
    .log_paths = log_paths,
    .log_path_count = 1,
    .requires_display = true,
    .logs_units = false,
    .returns_tool_result = false,  // the return code is always 0
    .also_close = nullptr,
};

}  // namespace

UFUSR_EXPORT void ufusr(char * /*param*/, int *retcod, int /*param_len*/) {
    run_plain_tool(variant, mark_rivets, retcod);
}

UFUSR_EXPORT int ufusr_ask_unload(void) { return UF_UNLOAD_IMMEDIATELY; }
