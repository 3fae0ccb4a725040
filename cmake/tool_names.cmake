# The suite's plug-ins, in the order of use: the one list that the build, the install
# and the checks of exports, imports and coverage read. Each name is a folder with its
# CMakeLists.txt. Those that also export ufusr_cleanup are listed again below.
set(RIVET_TOOL_NAMES
  flat_assembly
  rivet_mark
  route_create
  rivet_transfer
  rivet_group_attr
  rivet_attr_inspect
  route_walk
  route_edit
  route_check
  fpdf_export
  fpdf_verify)
set(RIVET_TOOLS_WITH_CLEANUP
  rivet_group_attr
  rivet_attr_inspect)
