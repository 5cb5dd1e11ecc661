#pragma once
#define IDC_ZYL_HAND 8000
