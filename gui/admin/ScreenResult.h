// The results with which the administration screens end: the next screen to open, or what
// the chain of screens does next.
#pragma once

namespace screens {

// Ends the chain and hides the login window.
constexpr int kHide = 1;
// Ends the chain and shows the login window.
constexpr int kShowLogin = 2;
constexpr int kCreateUser = 10;
constexpr int kAdvancedSettings = 12;
constexpr int kCategoriesSettings = 14;
constexpr int kSelectUser = 15;
constexpr int kAdministration = 17;
// Creates the new user and commits his lists; opens no screen.
constexpr int kCreateTheUser = 19;
constexpr int kProfileEditor = 20;
constexpr int kTimeSettings = 22;

}  // namespace screens
