void p(void)
{
}
