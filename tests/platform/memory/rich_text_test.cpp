#include "platform/memory/rich_text.h"

#include <gtest/gtest.h>

#include "dialog/editor_contract.h"
#include "ports/host_error.h"

namespace quill::memory {
namespace {

using quill::testing::EditorContract;
INSTANTIATE_TEST_SUITE_P(Portable, EditorContract,
                         ::testing::Values(quill::testing::EditorCase{
                             "RichText", [] { return std::make_unique<RichText>(); },
                             [](dialog::RichTextEditor& e) { static_cast<RichText&>(e).FireDblClick(); }}),
                         quill::testing::EditorCaseName);

}  // namespace
}  // namespace quill::memory
