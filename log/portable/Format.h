// printf-style formatting into a std::string, for log records.
#pragma once

#include <cstdarg>
#include <string>

#if defined(__GNUC__)
#define PC_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define PC_PRINTF_FORMAT(fmt, args)
#endif

std::string Format(const char* szFormat, ...) PC_PRINTF_FORMAT(1, 2);
std::string FormatV(const char* szFormat, va_list args) PC_PRINTF_FORMAT(1, 0);
