void b(void)
{
}
