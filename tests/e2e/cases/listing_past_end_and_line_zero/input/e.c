void f(void)
{
}
