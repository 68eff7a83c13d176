// The period's loads and saves of the reporting database: being written.
