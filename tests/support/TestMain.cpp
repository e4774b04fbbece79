// The main() of every test executable: a fixed environment before anything
// else runs, so that results do not depend on the machine's locale or display.
// GUI tests (built with TAVREL_TEST_GUI) also get a QApplication.
#include <gtest/gtest.h>

#include <cstdlib>

#ifdef TAVREL_TEST_GUI
#include <QApplication>
#endif

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("LC_ALL", "C.UTF-8", 1);
    setenv("LANG", "C.UTF-8", 1);
    setenv("TZ", "UTC", 1);
#ifdef TAVREL_TEST_GST_REGISTRY
    setenv("GST_REGISTRY", TAVREL_TEST_GST_REGISTRY, 1);
#endif
    ::testing::InitGoogleTest(&argc, argv);
#ifdef TAVREL_TEST_GUI
    QApplication app(argc, argv);
#endif
    return RUN_ALL_TESTS();
}
