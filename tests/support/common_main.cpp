// The main of a test program that links the common library without a
// deliverable: the service tables get their defaults, as a deliverable's
// process attach gives them, before any test runs.
#include "common/wiring.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    vexl::InstallDefaultServices();
    return RUN_ALL_TESTS();
}
