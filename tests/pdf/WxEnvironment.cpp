// Initialises wxBase once for the whole test binary, so logging from the
// writer reaches the active log target on this (the main) thread.
#include <gtest/gtest.h>
#include <wx/init.h>

namespace {

class WxEnvironment : public ::testing::Environment
{
public:
    void SetUp() override { ASSERT_TRUE(wxInitialize()); }
    void TearDown() override { wxUninitialize(); }
};

const ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new WxEnvironment);

}  // namespace
