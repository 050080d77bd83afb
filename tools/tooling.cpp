// Anchor of the tooling library (solver and test helpers join it).
namespace wedgewise_tooling { int anchor = 0; }
