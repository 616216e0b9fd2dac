#pragma once

// All text services of the program in one include.
#include "text/ErrorBox.h"
#include "text/OptionErrors.h"
#include "text/QuoteArgument.h"
#include "text/ResourceText.h"
#include "text/ScopeGuard.h"
#include "text/SystemErrorText.h"
#include "text/TextUtil.h"
#include "text/Win32Error.h"
