// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/status/xml_node_cursor.h"

#include <string>

#include "base/win/scoped_com_initializer.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

TEST(XmlNodeCursorTest, WalksElementsAndDropsTheDocumentWhenLoadingFails) {
  base::win::ScopedCOMInitializer com;
  ASSERT_TRUE(com.Succeeded());
  XmlNodeCursor cursor;
  std::string error;
  EXPECT_EQ(XmlMoveResult::kError, cursor.MoveToFirstChild());
  ASSERT_TRUE(cursor.LoadFromString("<a x=\"1\"><!-- c --><b/></a>", &error)) << error;
  ASSERT_EQ(XmlMoveResult::kMoved, cursor.MoveToFirstChild());
  EXPECT_EQ(XmlMoveResult::kNoElement, cursor.MoveToParent());
  std::string text;
  EXPECT_FALSE(cursor.GetAttribute("y", &text));
  ASSERT_EQ(XmlMoveResult::kMoved, cursor.MoveToFirstChild());
  EXPECT_EQ(XmlMoveResult::kNoElement, cursor.MoveToSibling());
  ASSERT_EQ(XmlMoveResult::kMoved, cursor.MoveToParent());
  ASSERT_TRUE(cursor.GetAttribute("x", &text));
  EXPECT_EQ("1", text);

  EXPECT_FALSE(cursor.LoadFromString("<a>", &error));
  EXPECT_EQ(XmlMoveResult::kError, cursor.MoveToFirstChild());
  EXPECT_FALSE(cursor.GetName(&text));
}

}  // namespace
}  // namespace velta
