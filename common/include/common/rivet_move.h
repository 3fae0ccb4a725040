// Moving a rivet under a route as the rivet transfer moves it: a new instance in the
// route's part at the same place and orientation in space, with the rivet's colour,
// name, name position and mark; the old instance goes only once the new one is whole,
// and a failure on the way takes the new one out again, so the rivet is neither lost
// nor doubled. Failures go to the plain-run reporter.
#pragma once

#include "uf.h"

// What the move carries over from the old occurrence besides its component data.
struct rivet_look {
    int color;
    char name[MAX_ENTITY_NAME_SIZE + 1];
    double name_origin[3];  // absolute; mapped in place into the route's frame by the move
};

// Name, name origin and colour of the rivet, in this order. Answers error_code, the
// failing call reported.
int ask_rivet_look(tag_t rivet, rivet_look &look);

// What else the new instance gets.
enum class rivet_attributes {
    mark_only,  // the rivet mark alone, as the transfer writes it
    all,        // every attribute the old occurrence carries (a route being edited)
};

// Moves `rivet` under the occurrence `route` of `route_part`, which must be the work
// part. On success answers 0 with the new occurrence in *moved (when given); on a
// failure answers its code, reported, with the rivet where it was.
int move_rivet(tag_t route, tag_t route_part, tag_t rivet, rivet_look &look, rivet_attributes attributes,
               tag_t *moved = nullptr);
