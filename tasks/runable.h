#pragma once
// Task objects carried to the user-interface thread or run on a worker.
// A task is created with new by its poster and ends through dispose.

#include <utility>

class Runable {
public:
    // Destroys the task; the one way a task ends.
    virtual void dispose() { delete this; }
    virtual ~Runable() = default;
    virtual void run() = 0;

protected:
    Runable() = default;
    Runable(const Runable&) = delete;
    Runable& operator=(const Runable&) = delete;
};

// Calls a closure; the closure's captured copies belong to the task.
template <class F>
class FunctionRunable : public Runable {
public:
    explicit FunctionRunable(F function) : function_(std::move(function)) {}
    void run() override { function_(); }

private:
    F function_;
};

template <class F>
Runable* makeFunctionRunable(F function)
{
    return new FunctionRunable<F>(std::move(function));
}

// Calls a member function without arguments on an object it does not own.
template <class T>
class MemberFuncRunable : public Runable {
public:
    using Method = void (T::*)();
    MemberFuncRunable(T* object, Method method) : object_(object), method_(method) {}
    void run() override { (object_->*method_)(); }

private:
    T* object_;
    Method method_;
};

template <class T>
Runable* makeMemberFuncRunable(T* object, void (T::*method)())
{
    return new MemberFuncRunable<T>(object, method);
}
