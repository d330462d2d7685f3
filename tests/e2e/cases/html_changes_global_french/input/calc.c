/* calc: evaluates "number operator number" triples given on the command line,
   for example: calc 12 + 30 7 - 2 (the operators are + - x /). */
#include <stdio.h>
#include <stdlib.h>

static int parse_number(const char *text, int *value)
{
  int result = 0;
  if (*text == '\0')
    return 0;
  while (*text != '\0') {
    if (*text < '0' || *text > '9')
      return 0;
    result = result * 10 + (*text - '0');
    text++;
  }
  *value = result;
  return 1;
}

static int apply(char op, int a, int b, int *result)
{
  if (op == '/' && b == 0) {
    fprintf(stderr, "calc: division by zero\n");
    return 0;
  }
  switch (op) {
  case '+':
    *result = a + b;
    break;
  case '-':
    *result = a - b;
    break;
  case 'x':
    *result = a * b;
    break;
  case '/':
    *result = a / b;
    break;
  default:
    return 0;
  }
  return 1;
}

static void usage(void)
{
  fprintf(stderr, "usage: calc number operator number ...\n");
  exit(2);
}

static void print_result(int index, int value)
{
  printf("expression %d: %d\n", index, value);
}

int main(int argc, char **argv)
{
  int i;
  int failures = 0;
  if (argc < 4 || (argc - 1) % 3 != 0)
    usage();
  for (i = 1; i + 2 < argc; i += 3) {
    int a, b, r;
    if (!parse_number(argv[i], &a) || !parse_number(argv[i + 2], &b)) {
      fprintf(stderr, "calc: bad number in expression %d\n", (i + 2) / 3);
      failures++;
    } else if (apply(argv[i + 1][0], a, b, &r)) {
      print_result((i + 2) / 3, r);
    } else {
      failures++;
    }
  }
  return failures == 0 ? 0 : 1;
}
