#include "framework/inventory.h"

std::wstring actionFor(int comparison) {
  if (comparison > 0) return L"upgrade";
  if (comparison < 0) return L"downgrade";
  return L"rewrite";
}
