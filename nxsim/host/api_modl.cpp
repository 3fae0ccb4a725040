// Object lists.
#include <algorithm>

#include "export.h"
#include "host.h"
#include "uf_modl.h"

using namespace nxsim;

namespace {

bool known(Host &h, uf_list_p_t list) { return list != nullptr && h.lists.contains(list); }

}  // namespace

extern "C" {

NXSIM_EXPORT int UF_MODL_create_list(uf_list_p_t *list) {
    return guarded("UF_MODL_create_list", true, [&](Host &h) {
        if (list == nullptr) return code::kInvalidArgument;
        *list = new uf_list_s;
        h.lists.insert(*list);
        return 0;
    });
}

NXSIM_EXPORT int UF_MODL_put_list_item(uf_list_p_t list, tag_t object) {
    return guarded("UF_MODL_put_list_item", true, [&](Host &h) {
        if (!known(h, list)) return code::kListInvalid;
        list->items.push_back(object);
        return 0;
    });
}

NXSIM_EXPORT int UF_MODL_ask_list_count(uf_list_p_t list, int *count) {
    return guarded("UF_MODL_ask_list_count", true, [&](Host &h) {
        if (!known(h, list)) return code::kListInvalid;
        if (count == nullptr) return code::kInvalidArgument;
        *count = static_cast<int>(list->items.size());
        return 0;
    });
}

NXSIM_EXPORT int UF_MODL_ask_list_item(uf_list_p_t list, int index, tag_t *object) {
    return guarded("UF_MODL_ask_list_item", true, [&](Host &h) {
        if (!known(h, list)) return code::kListInvalid;
        if (object == nullptr) return code::kInvalidArgument;
        if (index < 0 || index >= static_cast<int>(list->items.size())) return code::kListIndex;
        *object = list->items[static_cast<size_t>(index)];
        return 0;
    });
}

NXSIM_EXPORT int UF_MODL_delete_list_item(uf_list_p_t *list, tag_t object) {
    return guarded("UF_MODL_delete_list_item", true, [&](Host &h) {
        if (list == nullptr || !known(h, *list)) return code::kListInvalid;
        auto &items = (*list)->items;
        auto it = std::find(items.begin(), items.end(), object);
        if (it == items.end()) return code::kListItemMissing;
        items.erase(it);
        return 0;
    });
}

NXSIM_EXPORT int UF_MODL_delete_list(uf_list_p_t *list) {
    return guarded("UF_MODL_delete_list", true, [&](Host &h) {
        if (list == nullptr || !known(h, *list)) return code::kListInvalid;
        h.lists.erase(*list);
        delete *list;
        *list = nullptr;
        return 0;
    });
}

}  // extern "C"
