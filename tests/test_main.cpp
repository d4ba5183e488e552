#include "ui/application.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // Death tests re-run this program rather than fork a process that has windows open.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The same stack the program has, for the deep-nesting test.
    return ui::runWithLargeStack([&] {
        if (GTEST_FLAG_GET(list_tests))
            return RUN_ALL_TESTS();
        ui::Application app(argc, argv);
        return RUN_ALL_TESTS();
    });
}
