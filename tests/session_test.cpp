#include <gtest/gtest.h>

#include "test_util.h"
