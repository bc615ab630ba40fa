// The sizes the main window and the site window are built with, and the log's two heights.
#pragma once

constexpr int kMainWindowWidth = 800;
constexpr int kMainWindowHeight = 500;
constexpr int kLocalListWidth = 385;
constexpr int kLogCollapsedHeight = 1;
constexpr int kLogExpandedHeight = 100;
constexpr int kSiteWindowWidth = 500;
constexpr int kSiteWindowHeight = 300;
