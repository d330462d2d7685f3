void f(void)
{
}