int g(void)
{
  return 2;
}