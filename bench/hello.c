/* The floor for start-up: a C program that prints one line. */
#include <stdio.h>

int main(void) {
  puts("hello");
  return 0;
}
