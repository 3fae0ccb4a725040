// What the tools hand on to each other through the parts: attribute titles and
// the values they must hold. The tools never call each other, so these names are
// the whole contract between them; nxsim's front-ends read them to show and draw
// routes. All are plain ASCII, the same bytes in every character set.
#pragma once

// Rivet mark, a string attribute on the rivet's instance.
// Written by rivet_mark and rivet_transfer; read by every tool that selects or counts rivets.
inline constexpr char RIVET_MARK_TITLE[] = "RIVET";
// The value the mark is written with (rivet_mark, rivet_transfer); rivet_attr_inspect reads it back.
inline constexpr char RIVET_MARK_VALUE[] = "work";

// Route mark, a string attribute on a route component's part.
// Written by route_create; read by rivet_transfer, route_walk, route_check, fpdf_export.
inline constexpr char PATH_TITLE[] = "PATH";
inline constexpr char PATH_VALUE[] = "work";

// The five process attributes, string attributes on the rivet's instance, values from
// the fastener catalogue. Written by rivet_group_attr and rivet_attr_inspect; read by
// route_check, fpdf_export and rivet_attr_inspect.
inline constexpr char RIVET_KIND_TITLE[] = "rivet";
inline constexpr char PR_CODE_TITLE[] = "pr_code";
inline constexpr char AD_CODE_TITLE[] = "ad_code";
inline constexpr char FAST_CODE_TITLE[] = "fast_code";
inline constexpr char GRIP_LNG_TITLE[] = "grip_lng";

// Walk order, "<route>_NN", a string attribute on the rivet's instance.
// Written by route_walk; read by route_check and fpdf_export.
inline constexpr char POINT_ID_TITLE[] = "point_id";
