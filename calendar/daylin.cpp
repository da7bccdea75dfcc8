// Placeholder translation unit until the calendar control lands.
namespace daylin {
int LibraryVersionMajor() { return 1; }
} // namespace daylin
