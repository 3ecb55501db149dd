/* A program that only carries a version note (1.2.0.44), for the about box's tests. */
int main(void)
{
    return 0;
}
