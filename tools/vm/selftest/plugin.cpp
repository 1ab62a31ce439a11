// A DLL loaded from the working folder by loader.exe: a C++ export that throws and catches across a thread.
#include <stdexcept>
#include <string>
#include <thread>

extern "C" __attribute__((dllexport)) int plugin_answer(int x)
{
    int result = -1;
    std::thread worker([&] {
        try {
            throw std::runtime_error(std::to_string(x * 2));
        } catch (const std::exception &e) {
            result = std::stoi(e.what());
        }
    });
    worker.join();
    return result;
}
