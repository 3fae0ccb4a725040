#include "common/walk_rule.h"

#include <cmath>
#include <cstdio>

#include "common/component.h"
#include "common/tool_run.h"
#include "uf_modl.h"
#include "uf_vec.h"

namespace {

constexpr double FAR_AWAY = 1.0e15;

}  // namespace

void format_point_id(const char *part_number, int position, char (&point_id)[POINT_ID_BUFFER_SIZE]) {
    snprintf(point_id, sizeof point_id, "%.9s_%02d", part_number, position);
    point_id[POINT_ID_LENGTH] = '\0';
}

int ask_component_origin(tag_t component, double origin[3]) {
    component_data data;
    if (ask_component_data(component, data) != 0) return error_code;
    for (int k = 0; k < 3; ++k) origin[k] = data.origin[k];
    return 0;
}

step walk_nearest(const host_tags &children, tag_t first, host_list &walk) {
    host_list left(report_error);
    if (left.create() != 0) return step::failed;
    for (int i = 0; i < children.count; ++i) {
        error_code = UF_MODL_put_list_item(left.list, children.items[i]);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            return step::failed;
        }
    }
    error_code = UF_MODL_delete_list_item(&left.list, first);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return step::failed;
    }

    if (walk.create() != 0) return step::failed;
    error_code = UF_MODL_put_list_item(walk.list, first);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return step::failed;
    }

    tag_t current = first;
    int left_count = 0;
    error_code = UF_MODL_ask_list_count(left.list, &left_count);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return step::failed;
    }
    while (left_count > 0) {
        double source_origin[3];
        error_code = ask_component_origin(current, source_origin);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            return step::failed;
        }
        double smallest = FAR_AWAY;
        tag_t nearest_rivet = NULL_TAG;
        for (int k = 0; k < left_count; ++k) {
            tag_t dest_rivet = NULL_TAG;
            error_code = UF_MODL_ask_list_item(left.list, k, &dest_rivet);
            if (error_code != 0) {
                report_error(error_code, __LINE__);
                return step::failed;
            }
            double dest_origin[3];
            error_code = ask_component_origin(dest_rivet, dest_origin);
            if (error_code != 0) {
                report_error(error_code, __LINE__);
                return step::failed;
            }
            double work_dist = 0.0;
            UF_VEC3_distance(source_origin, dest_origin, &work_dist);
            // The first candidate is taken whatever its distance, so no step ever places
            // nothing; its distance is then the one to beat, so the nearest still wins.
            // A distance that is not a number (coordinates beyond the doubles) loses to
            // any that is, so the walk does not follow the order of the children.
            bool replaces =
                nearest_rivet == NULL_TAG || work_dist < smallest || (std::isnan(smallest) && !std::isnan(work_dist));
            if (replaces) {
                smallest = work_dist;
                nearest_rivet = dest_rivet;
            }
        }
        error_code = UF_MODL_put_list_item(walk.list, nearest_rivet);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            return step::failed;
        }
        error_code = UF_MODL_delete_list_item(&left.list, nearest_rivet);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            return step::failed;
        }
        error_code = UF_MODL_ask_list_count(left.list, &left_count);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            return step::failed;
        }
        current = nearest_rivet;
    }

    if (left.remove() != 0) return step::failed;
    return step::go_on;
}
