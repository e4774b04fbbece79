// The user-interface library; its windows and widgets are added beside this file.
namespace tavrel {
const char* UiLibraryName() {
    return "tavrel_ui";
}
}  // namespace tavrel
